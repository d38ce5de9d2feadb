#include "fieldbus/ObjectDictionaryNames.h"

namespace fieldbus {

std::string ObjectCodeName(int objectCode) {
    static const char* const names[] = {"Domain", "Program Invocation", "Event", "Data Type", "Structure",
                                        "Simple Variable", "Array", "Record", "Variable List"};
    if (objectCode < 2 || objectCode > 10) return {};
    return names[objectCode - 2];
}

std::string DataTypeName(int dataType) {
    static const char* const names[] = {"Boolean", "INT8", "INT16", "INT32", "UINT8", "UINT16", "UINT32",
                                        "Float", "VString", "OCTString", "Date", "TDay", "TDiff", "BString"};
    if (dataType >= 1 && dataType <= 14) return names[dataType - 1];
    if (dataType == 21) return "TValue";
    return {};
}

}  // namespace fieldbus
