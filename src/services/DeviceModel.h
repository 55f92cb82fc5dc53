#pragma once

#include <string>

namespace vd {

// The marketing name of a hardware identifier ("iPhone9,3" → "iPhone 7"), or the identifier
// itself when the table has no entry for it.
std::string modelNameForIdentifier(const std::string& identifier);

// The model name of this machine (its uname machine identifier through the table).
std::string modelName();

}
