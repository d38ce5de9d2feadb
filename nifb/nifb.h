/*
 * nifb.h - the Fieldbus communication library (C API).
 *
 * A session is a connection to the `nifb` server, which owns the H1 interfaces. Every call
 * returns E_OK (0) or a negative status. Descriptors are small numbers handed out by the
 * library; closing a descriptor closes everything opened through it and makes a call that
 * is waiting on it return. Calls may come from several threads at once.
 *
 * Objects are addressed by name: a parameter name on a block descriptor ("MODE_BLK",
 * "MODE_BLK.TARGET", "BOOST_VALUE.2"), the block tag, a point and the parameter name on a
 * VFD descriptor ("FV101_TB.FINAL_VALUE"), a management object name on the MIB descriptor
 * ("FB_START_ENTRY.1"), or an object-dictionary index made with makeIndex /
 * makeIndexSubindex. A member is selected by its name or by its number (1 = first member).
 *
 * Multi-byte values inside object data travel big-endian, as on the bus. The list records
 * below are delivered in host byte order.
 */
#ifndef NIFB_NIFB_H
#define NIFB_NIFB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t nifError_t;
typedef uint32_t nifDesc_t;

/* Status codes. */
enum {
    E_OK = 0,
    E_INVALID_DESCRIPTOR = -1,
    E_NOT_FOUND = -2,
    E_MULTIPLE = -3,
    E_TIMEOUT = -4,
    E_BAD_ARGUMENT = -5,
    E_RESOURCES = -6,
    E_BUF_TOO_SMALL = -7,
    E_CONFIG_ERROR = -8,
    E_SYMBOL_FILE_NOT_FOUND = -9,
    E_CONCURRENCY_FULL = -10,
    E_COMM_ERROR = -11,
    E_OBSOLETE_DESC = -12,
    E_SERVER_NOT_RESPONDING = -13,
    E_OBSOLETE_DEVICE = -14,
    E_VCR_FULL = -15,
    E_LINKAGE_FULL = -16,
    E_TREND_FULL = -17,
    E_DEVICE_NOT_CLEARED = -18,
    E_PUB_VCR_NOT_CONFIGURED = -19,
    E_LAS_SCHED_FULL = -20,
    E_FB_SCHED_FULL = -21,
    E_DEVICE_IS_NOT_MASTER = -22,
    E_SCHED_NOT_IN_DEVICE = -23,
    E_DD_LOOKUP_FAILED = -24,
    E_DD_LOAD_FAILED = -25,
    E_DD_TYPE_UNSUPPORTED = -26,
    E_ORDINAL_NUM_OUT_OF_RANGE = -27,
    E_SM_NOT_OPERATIONAL = -28,
    E_SM_NOT_INITIALIZED = -29,
    E_OBJECT_UNDEFINED = -30,
    E_DEVICE_OUT_OF_MEMORY = -31,
    E_OBJECT_STATE_CONFLICT = -32,
    E_ILLEGAL_PARAMETER = -33,
    E_OBJECT_ACCESS_DENIED = -34,
    E_OBJECT_ACCESS_UNSUPPORTED = -35,
    E_ACC_ELEM_UNSUPPORTED = -36,
    E_PARAMETER_CHECK = -37,
    E_EXCEED_LIMIT = -38,
    E_WRONG_MODE_FOR_REQUEST = -39,
    E_WRITE_IS_PROHIBITED = -40,
    E_DATA_NEVER_WRITABLE = -41,
    E_BLOCK_INSTANTIATE_FAILURE = -42,
    E_BLOCK_DELETE_FAILURE = -43,
    E_ALARM_ACKNOWLEDGED = -44,
    E_SERVER_CONNECTION_LOST = -45,
    E_OTHER = -46,
    E_BAD_DEVICE_DATA = -47,
    E_TOO_MANY_ENTRIES_SPECIFIED = -48,
    E_PARTIAL_CONFIG = -49,
    E_DEVICE_CHANGED = -50,
    E_OBSOLETE_BLOCK = -51,
    E_APPLICATION_UNREACHABLE = -52,
    E_VFD_CHANGED = -53,
    E_NETWORK_DISTURBED = -54,
    E_METHOD_ALREADY_EXECUTING = -55,
    E_RUNTIME_ERROR = -56,
    E_BUF_TOO_LARGE = -57,
    E_ASSEMBLY_OBJECT_FULL = -58,
    E_INVALID_INTERFACE = -59,
    E_ACTION_OBJECTS_UNSUPPORTED = -60
};

/* The name of a status ("E_TIMEOUT"); "" for a code outside 0 .. -60. */
const char* nifStatusName(nifError_t status);

/* ---- Records ---------------------------------------------------------------------- */

#define NIF_NAME_LEN 33 /* 32 characters and a terminator */

/* One interface (99 bytes): the name is the link name for nifOpenLink. */
typedef struct nifInterfaceInfo {
    char interfaceName[66];        /* bytes 0-65, zero terminated */
    char interfaceDescription[33]; /* bytes 66-98, zero terminated */
} nifInterfaceInfo;

/* Device class flags of a live-list record. */
#define NIF_CLASS_NOT_PRESENT 0x01u  /* the value 1 alone: known but not answering */
#define NIF_CLASS_INTERFACE 0x02u    /* the value 2 alone: the host interface itself */
#define NIF_CLASS_BASIC 0x04u        /* a basic field device */
#define NIF_CLASS_LINK_MASTER 0x08u  /* a field device running as link master */
#define NIF_CLASS_BRIDGED 0x10u      /* reached through a linking device (Ethernet) */
#define NIF_CLASS_LINKING 0x20u      /* a linking device (Ethernet) */

/* One live-list record (76 bytes). */
typedef struct nifLiveListEntry {
    char deviceId[NIF_NAME_LEN]; /* bytes 0-32 */
    char pdTag[NIF_NAME_LEN];    /* bytes 33-65 */
    uint8_t nodeAddress;         /* byte 66 */
    uint8_t reserved0;           /* byte 67 */
    uint32_t classFlags;         /* bytes 68-71 */
    uint32_t reserved1;          /* bytes 72-75 */
} nifLiveListEntry;

/* One virtual field device (function-block VFD; the MIB is opened by its name "MIB"). */
typedef struct nifVfdInfo {
    char vfdTag[NIF_NAME_LEN];
    char vendorName[NIF_NAME_LEN];
    char modelName[NIF_NAME_LEN];
    char revision[NIF_NAME_LEN];
    uint32_t vfdRef;
} nifVfdInfo;

/* Block types, also the bits of the type mask of nifGetBlockList. */
#define NIF_FUNCTION_BLOCK 1u
#define NIF_TRANSDUCER_BLOCK 2u
#define NIF_RESOURCE_BLOCK 4u

/* One block (72 bytes). */
typedef struct nifBlockInfo {
    char blockTag[32];          /* bytes 0-31, blank padded, not terminated */
    uint8_t reserved0[2];       /* bytes 32-33 (always 0) */
    uint16_t startIndex;        /* bytes 34-35: object-dictionary index of the block */
    uint32_t ddMember;          /* bytes 36-39 */
    uint32_t ddItem;            /* bytes 40-43 */
    uint16_t ddRevision;        /* bytes 44-45 */
    uint16_t profile;           /* bytes 46-47 */
    uint16_t profileRevision;   /* bytes 48-49 */
    uint16_t reserved1;         /* bytes 50-51 */
    uint32_t executionTime;     /* bytes 52-55 */
    uint32_t periodOfExecution; /* bytes 56-59 */
    uint16_t numParameters;     /* bytes 60-61 */
    uint16_t nextFbToExecute;   /* bytes 62-63 */
    uint16_t startOfView1;      /* bytes 64-65: index of the block's first view object */
    uint8_t numView3;           /* byte 66 */
    uint8_t numView4;           /* byte 67 */
    uint16_t blockNumber;       /* bytes 68-69: position in the block list */
    uint8_t blockType;          /* byte 70: NIF_FUNCTION_BLOCK / _TRANSDUCER_ / _RESOURCE_ */
    uint8_t reserved2;          /* byte 71 */
} nifBlockInfo;

/* Object codes and data types of the object dictionary. */
#define NIF_OC_DOMAIN 2
#define NIF_OC_SIMPLE 7
#define NIF_OC_ARRAY 8
#define NIF_OC_RECORD 9
#define NIF_OC_VARLIST 10

#define NIF_DT_BOOLEAN 1
#define NIF_DT_INT8 2
#define NIF_DT_INT16 3
#define NIF_DT_INT32 4
#define NIF_DT_UINT8 5
#define NIF_DT_UINT16 6
#define NIF_DT_UINT32 7
#define NIF_DT_FLOAT 8
#define NIF_DT_VSTRING 9
#define NIF_DT_OCTSTRING 10
#define NIF_DT_DATE 11
#define NIF_DT_TDAY 12
#define NIF_DT_TDIFF 13
#define NIF_DT_BSTRING 14
#define NIF_DT_TVALUE 21

/* One member of a record, array or variable list. */
typedef struct nifTypeMember {
    uint16_t index;     /* variable list: object index of the member; otherwise 0 */
    uint8_t objectCode; /* of the member (simple, or record for a variable-list member) */
    uint16_t dataType;
    uint16_t size;
} nifTypeMember;

typedef struct nifObjectType {
    uint16_t index;      /* object-dictionary index */
    uint8_t objectCode;  /* NIF_OC_... */
    uint16_t dataType;   /* simple type; element type of an array; structure number of a record */
    uint16_t size;       /* whole object in bytes */
    uint16_t numMembers; /* 0 for a simple variable */
    nifTypeMember* members;
} nifObjectType;

/* Attribute items from the device description. */
#define NIF_ITEM_ENUM 1 /* an enumeration value and its description */
#define NIF_ITEM_BIT 2  /* a bit of a bit string: value 1 << k for bit k, bit 0 being the
                           most significant bit of the first byte */
#define NIF_DESC_LEN 128

typedef struct nifEnumItem {
    uint8_t kind; /* NIF_ITEM_ENUM or NIF_ITEM_BIT */
    uint32_t value;
    char description[NIF_DESC_LEN]; /* "|en|text", optionally followed by other languages */
} nifEnumItem;

typedef struct nifAttributes {
    char label[NIF_DESC_LEN];
    char help[NIF_DESC_LEN];
    uint8_t objectCode;
    uint16_t dataType;
    uint16_t size;
    uint16_t numItems;
    nifEnumItem* items;
} nifAttributes;

/* ---- Calls ------------------------------------------------------------------------ */

/* Opens a session with the server; `config` is reserved (pass 0). E_SERVER_NOT_RESPONDING
 * when no server answers; E_CONFIG_ERROR when the socket is answered by a program of
 * another user, or the socket's folder is not private to this user.
 *
 * No call waits without limit: a call the server does not answer within the call limit
 * (30 s, see nifb/Backend.h) gives up with E_SERVER_NOT_RESPONDING. Counts and sizes in the
 * server's answers are checked against what arrived; an answer that does not add up gives
 * E_BAD_DEVICE_DATA and leaves the caller's buffers and counts untouched. */
nifError_t nifOpenSession(const char* config, nifDesc_t* session);

/* Interface list. *count holds the capacity on entry; on E_OK or E_BUF_TOO_SMALL it holds
 * the number of interfaces. */
nifError_t nifGetInterfaceList(nifDesc_t session, uint16_t* count, nifInterfaceInfo* list);

/* Opens the link of an interface. byIndex 0: by `interfaceName`; otherwise by position
 * `linkIndex` in the interface list. */
nifError_t nifOpenLink(nifDesc_t session, uint16_t byIndex, const char* interfaceName,
                       uint16_t linkIndex, nifDesc_t* link);

/* Live list. *count: capacity on entry, records written on return. *totalDevices (may be
 * NULL) receives the number of live records, which may exceed the capacity. */
nifError_t nifGetDeviceList(nifDesc_t link, nifLiveListEntry* list, uint16_t* count,
                            uint32_t* totalDevices);

/* Opens a device on a link. by: NIF_BY_TAG (`name` is the PD tag) or NIF_BY_DEVICE_ID. */
#define NIF_BY_TAG 0
#define NIF_BY_DEVICE_ID 1
nifError_t nifOpenPhysicalDevice(nifDesc_t link, uint16_t by, const char* name, nifDesc_t* device);

/* Function-block VFDs of a device. *count: capacity on entry, number on return. */
nifError_t nifGetVFDList(nifDesc_t device, nifVfdInfo* list, uint16_t* count);

/* Opens a VFD: "MIB", a VFD tag, or makeIndex(n) for the n-th entry of the VFD list. */
nifError_t nifOpenVfd(nifDesc_t device, const char* name, nifDesc_t* vfd);

/* Blocks of a VFD whose type is in `typeMask`. *count: capacity on entry, number on return. */
nifError_t nifGetBlockList(nifDesc_t vfd, uint16_t typeMask, nifBlockInfo* list, uint16_t* count);

/* Opens a block: its tag, or makeIndex(n) for the n-th block of the block list. */
nifError_t nifOpenBlock(nifDesc_t vfd, const char* name, nifDesc_t* block);

/* Reads an object. *size: buffer capacity on entry, bytes read on return (E_BUF_TOO_SMALL
 * leaves the needed size there). */
nifError_t nifReadObject(nifDesc_t desc, const char* name, void* buffer, uint16_t* size);
/* Writes an object; `size` must equal the object's size. */
nifError_t nifWriteObject(nifDesc_t desc, const char* name, const void* buffer, uint16_t size);
nifError_t nifGetObjectSize(nifDesc_t desc, const char* name, uint16_t* size);

/* Type description; release it with nifFreeObjectType. */
nifError_t nifGetObjectType(nifDesc_t desc, const char* name, nifObjectType** type);
nifError_t nifFreeObjectType(nifObjectType* type);

/* The object's (or member's) name, zero terminated, into `buffer` of `bufferSize` bytes. */
nifError_t nifGetObjectName(nifDesc_t desc, const char* name, char* buffer, uint16_t bufferSize);

/* Device-description attributes; release them with nifFreeObjectAttributes. */
nifError_t nifGetObjectAttributes(nifDesc_t desc, const char* name, nifAttributes** attributes);
nifError_t nifFreeObjectAttributes(nifAttributes* attributes);

/* Help text of an object from the device description. */
nifError_t nifGetObjectDescription(nifDesc_t desc, const char* name, char* buffer, uint16_t bufferSize);

/* Device descriptor: sets the PD tag (the device must be cleared). Block descriptor: sets
 * the block tag (the block must be out of service). At most 32 characters. */
nifError_t nifSetTag(nifDesc_t desc, const char* tag);
/* Moves a device to a node address (16 to 247 operational, 248 to 251 the default
 * addresses). A device takes an operational address only while it sits at a default
 * address: at an operational address it answers E_DEVICE_NOT_CLEARED until it has been
 * moved to 248 (always allowed) or cleared. A device without a PD tag answers
 * E_SM_NOT_INITIALIZED; an address in use by another device E_ILLEGAL_PARAMETER. */
nifError_t nifSetAddress(nifDesc_t device, uint8_t address);
/* Clears a device: NIF_CLEAR_ADDRESS moves it to the default address,
 * NIF_CLEAR_TAG_AND_ADDRESS also removes its PD tag. */
#define NIF_CLEAR_ADDRESS 0
#define NIF_CLEAR_TAG_AND_ADDRESS 1
nifError_t nifClear(nifDesc_t device, uint16_t what);

/* Releases a descriptor and everything opened through it. */
nifError_t nifClose(nifDesc_t desc);

/* Downloads the contents of a file into a domain object of the device. */
nifError_t nifDownloadDomain(nifDesc_t desc, const char* domainName, const char* filePath);

/* Object names for object-dictionary indices. The text returned lives in a small
 * per-thread ring of buffers: use it at once (it stays valid for the next 15 calls of
 * makeIndex/makeIndexSubindex on the same thread). */
const char* makeIndex(uint32_t index);
const char* makeIndexSubindex(uint32_t index, uint32_t subindex);

#ifdef __cplusplus
}
#endif

#endif /* NIFB_NIFB_H */
