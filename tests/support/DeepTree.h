#pragma once
// Chains of folders, each inside the one before, made and removed through
// descriptors so that their paths may pass PATH_MAX; and a child process with
// a small stack and few descriptors, where a walk of such a chain shows that
// it keeps its levels on a stack of its own and holds few folders open.

#include <functional>
#include <string>
#include <vector>

namespace zbtest {

// What a chain holds besides its folders; an empty name makes no file.
struct DeepTreeFiles {
    std::string leafName = "f.txt";    // in the deepest folder
    std::string leafText;              // the deepest file's contents
    std::string fillerName = "f.txt";  // an empty file in every other folder
};

// Makes `levels` folders named `name` below `root`, each inside the one
// before, holding `files`; false on failure.
bool MakeDeepTree(const std::string& root, const std::string& name, int levels,
                  const DeepTreeFiles& files = {});

// Removes what MakeDeepTree made, deepest folder first, holding one
// descriptor at a time.
void RemoveDeepTree(const std::string& root, const std::string& name,
                    const DeepTreeFiles& files = {});

// The paths of a chain's folders, `root` first and then `levels` more (for
// chains whose paths stay short).
std::vector<std::string> DeepTreeFolders(const std::string& root, const std::string& name,
                                         int levels);

// Runs `body` in a forked child, on a thread with a 1 MiB stack, with at most
// 64 open descriptors; true when it returned true (an overflowing stack kills
// the child).
bool RunOnSmallStackWithFewDescriptors(const std::function<bool()>& body);

}  // namespace zbtest
