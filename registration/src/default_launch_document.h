#pragma once
#include <string>

namespace registration {

// The launch document a simulator starts with, used when its launch file
// does not exist yet.
std::string defaultLaunchDocument(const std::string& fileName);

}  // namespace registration
