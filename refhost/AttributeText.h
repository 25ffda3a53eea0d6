// Flat attribute strings {key:value,key:value} as the host hands them to the
// plug-in. The form has no quoting, so values are checked before they are
// stored: a comma, brace or one of the bytes the plug-in's reader skips would
// silently change the value on the other side.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace refhost {

using Attributes = std::vector<std::pair<std::string, std::string>>;

std::string formatAttributes(const Attributes& items);

// The value of key (found after "{" or ","); false when absent.
bool findAttribute(const std::string& text, const std::string& key, std::string* value);

// Empty when the value can travel in an attribute string unchanged, else the
// reason it cannot.
std::string attributeValueProblem(const std::string& value);

// The ESX server named by a host identifier or path text: the "esxname:"
// attribute when present, else the whole text.
std::string esxNameOf(const std::string& text);

}  // namespace refhost
