#include "app/form1.h"

namespace dcload {

RuntimeError conversionError() { return {13, "Type mismatch"}; }
RuntimeError overflowError() { return {6, "Overflow"}; }
RuntimeError divisionByZero() { return {11, "Division by zero"}; }
RuntimeError subscriptError() { return {9, "Subscript out of range"}; }

} // namespace dcload
