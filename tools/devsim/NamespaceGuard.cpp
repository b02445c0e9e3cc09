// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/NamespaceGuard.h"

#include <dirent.h>
#include <sys/stat.h>

namespace halvo::devsim {

std::string OwnLanNamespace(const std::string& netnsDir, const std::string& prefix) {
    struct stat self {};
    if (stat("/proc/self/ns/net", &self) != 0) {
        return {};
    }
    DIR* dir = opendir(netnsDir.c_str());
    if (dir == nullptr) {
        return {};
    }
    std::string found;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        struct stat bound {};
        if (stat((netnsDir + "/" + name).c_str(), &bound) == 0 && bound.st_ino == self.st_ino &&
            bound.st_dev == self.st_dev) {
            found = name;
            break;
        }
    }
    closedir(dir);
    return found;
}

}  // namespace halvo::devsim
