#include "platform/linux/policy_json.h"

#include <vector>

#include "platform/linux/system_files.h"

namespace platform::linux_trust {

PolicyFile ReadPolicyFile(const std::filesystem::path& path) {
  PolicyFile file;
  const FileRead read = ReadSystemFile(path);
  file.exists = read.exists;
  if (!read.problem.empty()) {
    file.problem = read.problem;
    return file;
  }
  if (!read.exists) {
    return file;
  }
  try {
    file.document = PolicyJson::parse(read.content);
  } catch (const PolicyJson::parse_error& error) {
    file.problem = path.string() + ": not valid JSON (" + error.what() + "); left unchanged";
    return file;
  }
  if (!file.document.is_object()) {
    file.problem = path.string() + ": not a JSON object; left unchanged";
  }
  return file;
}

std::string WritePolicyFile(const std::filesystem::path& path, const PolicyJson& document) {
  return WriteSystemFile(path,
                         document.dump(2, ' ', false, PolicyJson::error_handler_t::strict) + "\n");
}

const PolicyJson* FindPolicyList(const PolicyJson& document, const PolicyPath& path,
                                 std::string& problem) {
  const PolicyJson* node = &document;
  std::string where;
  for (const std::string& member : path) {
    where += where.empty() ? member : " > " + member;
    if (!node->is_object()) {
      problem = "a member on the way to \"" + where + "\" is not an object; left unchanged";
      return nullptr;
    }
    const auto found = node->find(member);
    if (found == node->end()) {
      return nullptr;
    }
    node = &*found;
  }
  if (!node->is_array()) {
    problem = "\"" + where + "\" is not a list; left unchanged";
    return nullptr;
  }
  return node;
}

PolicyJson& MakePolicyList(PolicyJson& document, const PolicyPath& path) {
  PolicyJson* node = &document;
  std::size_t depth = 0;
  for (const std::string& member : path) {
    const bool last = ++depth == path.size();
    if (!node->contains(member)) {
      (*node)[member] = last ? PolicyJson::array() : PolicyJson::object();
    }
    node = &(*node)[member];
  }
  return *node;
}

void PrunePolicyPath(PolicyJson& document, const PolicyPath& path) {
  std::vector<PolicyJson*> parents;
  PolicyJson* node = &document;
  for (const std::string& member : path) {
    if (!node->is_object() || !node->contains(member)) {
      return;
    }
    parents.push_back(node);
    node = &(*node)[member];
  }
  for (std::size_t index = path.size(); index-- > 0;) {
    PolicyJson& child = (*parents[index])[path[index]];
    if (!(child.is_object() || child.is_array()) || !child.empty()) {
      return;
    }
    parents[index]->erase(path[index]);
  }
}

}  // namespace platform::linux_trust
