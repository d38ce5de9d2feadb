#ifndef QAMZ_H
#define QAMZ_H
/*
 * qamZ: the client library of the partner's asset-management host (our stand-in).
 *
 * The host keeps, per device, named parameter lists: a program opens a parameter-list
 * interface on one of the device's blocks for one list kind, fills a list with values by
 * parameter name and saves it under a name; it can search the saved entries of that list
 * kind, load one back by its entry identifier and delete it. Everything lives in one SQLite
 * database file per host. The host also keeps a message log per device.
 *
 * Every function returns a status: QAMZ_OK (0) or one of the negative QAMZ_E_ codes; the
 * text of the last failure on the calling thread is given by qamZGetErrInfo. Handles are
 * small integers; a closed or unknown handle gives QAMZ_E_INVALID_HANDLE. All functions may
 * be called from several threads.
 *
 * Each save, load and delete is one database transaction. A caller that stores several lists
 * as one unit brackets them with qamZDBBeginTransaction / qamZDBEndTransaction; a process
 * that dies inside the bracket leaves the database as it was before it.
 */
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QAMZ_API __attribute__((visibility("default")))

enum {
    QAMZ_OK = 0,
    QAMZ_E_INVALID_ARGUMENT = -1,
    QAMZ_E_INVALID_HANDLE = -2,
    QAMZ_E_DATABASE = -3,     /* the database file cannot be opened, read or written */
    QAMZ_E_NOT_FOUND = -4,    /* no such entry, or no such parameter in the list */
    QAMZ_E_TYPE_MISMATCH = -5,
    QAMZ_E_NAME_TOO_LONG = -6,
    QAMZ_E_BUSY = -7,         /* another program held the database past the wait limit */
    QAMZ_E_TRANSACTION = -8,  /* bracket already open, or none open */
    QAMZ_E_NO_VALUE = -9      /* the parameter has no value yet */
};

typedef uint32_t qamZHandle;

#define QAMZ_NAME_MAX 64        /* wide characters of a data set name, terminator included */
#define QAMZ_INFO_TEXT_MAX 64   /* bytes of one descriptive text, terminator included */
#define QAMZ_INFO_TEXTS 7
#define QAMZ_VALUE_TEXT_MAX 1024
#define QAMZ_VALUE_BYTES_MAX 64

/* The descriptive texts of a saved entry, in this order. */
enum {
    QAMZ_INFO_DEVICE_TAG = 0,
    QAMZ_INFO_DEVICE_ID,
    QAMZ_INFO_BLOCK,
    QAMZ_INFO_LIST_KIND,
    QAMZ_INFO_SAVED_BY,
    QAMZ_INFO_SAVED_ON,
    QAMZ_INFO_HOST
};

typedef struct {
    uint32_t entryId;
    wchar_t name[QAMZ_NAME_MAX];
    char texts[QAMZ_INFO_TEXTS][QAMZ_INFO_TEXT_MAX];
} qamZDbInfo;

enum { QAMZ_TYPE_NONE = 0, QAMZ_TYPE_INTEGER = 1, QAMZ_TYPE_REAL = 2, QAMZ_TYPE_TEXT = 3, QAMZ_TYPE_BYTES = 4 };

/* One parameter value. An INTEGER may carry the text of its value (an enumeration's choice,
 * the names of a bit string's set bits); TEXT uses `text` only; BYTES uses `bytes` and `size`.
 * Texts are NUL-terminated. */
typedef struct {
    int type;
    int64_t integer;
    double real;
    char text[QAMZ_VALUE_TEXT_MAX];
    uint8_t bytes[QAMZ_VALUE_BYTES_MAX];
    uint32_t size;
} qamZValue;

/* A session on the host database file (created when missing). `sessionId`, `hostName` and
 * `userName` are recorded with every entry and log line. */
QAMZ_API int qamZOpenSession(const char* databasePath, const char* sessionId, const char* hostName,
                             const char* userName, qamZHandle* session);
QAMZ_API int qamZCloseSession(qamZHandle session);

/* A parameter-list interface on one block of a device, for one kind of list. */
QAMZ_API int qamZSVOpenParamListInterface(qamZHandle session, const char* deviceId, const char* deviceTag,
                                          const char* blockTag, const char* listKind, qamZHandle* paramInterface);
/* An empty list with these parameter names (each at most 63 characters, no repeats). */
QAMZ_API int qamZSVAllocParamList(qamZHandle paramInterface, const char* const* names, unsigned count,
                                  qamZHandle* list);
QAMZ_API int qamZSVSetParamValue(qamZHandle list, const char* name, const qamZValue* value);
QAMZ_API int qamZSVGetParamValue(qamZHandle list, const char* name, qamZValue* value);
QAMZ_API int qamZSVFreeParamList(qamZHandle list);
QAMZ_API int qamZSVCloseInterface(qamZHandle paramInterface);

/* Saves the list's values as a new entry named `name`; `mode` is recorded with it. */
QAMZ_API int qamZDBSaveParamList(qamZHandle paramInterface, qamZHandle list, const wchar_t* name, int mode,
                                 uint32_t* entryId);
/* Looks up the saved entries of the interface's device and list kind, oldest first;
 * qamZDBGetParamListDbInfo then gives entry `index` (0 .. count-1) of that search. */
QAMZ_API int qamZDBSearchParamList(qamZHandle paramInterface, unsigned* count);
QAMZ_API int qamZDBGetParamListDbInfo(qamZHandle paramInterface, unsigned index, qamZDbInfo* info);
/* Fills the list with the entry's saved values (names the entry lacks keep their values). */
QAMZ_API int qamZDBLoadParamList(qamZHandle paramInterface, uint32_t entryId, qamZHandle list);
QAMZ_API int qamZDBDeleteParamListDb(qamZHandle paramInterface, uint32_t entryId);

/* Brackets several saves and deletes of one session into one transaction. */
QAMZ_API int qamZDBBeginTransaction(qamZHandle session);
QAMZ_API int qamZDBEndTransaction(qamZHandle session, int commit);

/* Appends a line to the host's message log of the device. */
QAMZ_API int qamZLogMessage(qamZHandle session, const char* deviceTag, int code, const char* text);

/* The text of the last failure with this status on the calling thread (or the status's
 * name); cut to fit `size`, always terminated. */
QAMZ_API int qamZGetErrInfo(int status, char* text, unsigned size);

/* ---- For tests ------------------------------------------------------------------------ */
/* The `call`-th next call (1: the next one) of the named function fails with `status`
 * before it touches the database. */
QAMZ_API void qamZTestInjectFault(const char* function, unsigned call, int status);
/* Called at the start of every call of every function (the function's name and its call
 * number since the last reset). */
typedef void (*qamZTestHook)(const char* function, unsigned call, void* context);
QAMZ_API void qamZTestSetHook(qamZTestHook hook, void* context);
QAMZ_API void qamZTestReset(void);

#ifdef __cplusplus
}
#endif

#endif /* QAMZ_H */
