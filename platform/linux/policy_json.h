// The JSON policy files of the browsers and the mail program. A file that is not valid JSON, or
// whose parts Corvane changes have another type than the programs expect, is refused and never
// overwritten; every member Corvane does not change keeps its value and its place.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace platform::linux_trust {

using PolicyJson = nlohmann::ordered_json;
// The names of the object members from the document down to a list.
using PolicyPath = std::vector<std::string>;

struct PolicyFile {
  bool exists = false;
  PolicyJson document = PolicyJson::object();  // an empty object for a missing file
  std::string problem;                         // set when the file cannot be used
};

PolicyFile ReadPolicyFile(const std::filesystem::path& path);
// Writes the document (two-space indentation, a final line feed); a problem text or empty.
std::string WritePolicyFile(const std::filesystem::path& path, const PolicyJson& document);

// The array found by following the object members of path from document; null when a member is
// missing. problem is set when a member on the way is not an object or the last is not an array.
const PolicyJson* FindPolicyList(const PolicyJson& document, const PolicyPath& path,
                                 std::string& problem);
// The same array, made (with the objects on the way) when missing. Check with FindPolicyList
// first: the types on the way must be right.
PolicyJson& MakePolicyList(PolicyJson& document, const PolicyPath& path);
// Removes the members along path that became empty objects or arrays, from the end backwards.
void PrunePolicyPath(PolicyJson& document, const PolicyPath& path);

}  // namespace platform::linux_trust
