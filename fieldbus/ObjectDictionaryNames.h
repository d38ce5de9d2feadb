#pragma once
// Names of object codes and data types of the object dictionary ("Record", "Float");
// any other code has an empty name.
#include <string>

namespace fieldbus {

std::string ObjectCodeName(int objectCode);
std::string DataTypeName(int dataType);

}  // namespace fieldbus
