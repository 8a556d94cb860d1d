#include "MpPlatformPath.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

bool BeginsWithDriveLetter(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') return false;
    const char letter = path[0];
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

size_t FindSeparator(std::string_view path, size_t start) {
    return path.find_first_of("/\\", start);
}

// Length of the root a path begins with, which ".." never removes: the UNC prefix
// '\\server\share', a drive with the separator after it ('C:\' or just 'C:'), or one
// leading separator. 0 for a relative path.
size_t RootLength(std::string_view path) {
    if (path.substr(0, 2) == "\\\\") {
        const size_t serverEnd = FindSeparator(path, 2);
        if (serverEnd == std::string_view::npos) return path.size();
        const size_t shareEnd = FindSeparator(path, serverEnd + 1);
        return shareEnd == std::string_view::npos ? path.size() : shareEnd;
    }
    if (BeginsWithDriveLetter(path)) return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

// Appends a component to the result, preceded by the separator that stood before it in
// the path unless the result already ends with one.
void AppendSeparated(std::string& result, char separator, std::string_view component) {
    if (separator != 0 && !result.empty() && !IsSeparator(result.back())) result += separator;
    result.append(component);
}

// Drops "." and empty components and resolves ".." against the components before it.
std::string Normalise(std::string_view path) {
    const size_t rootLength = RootLength(path);
    // A bare drive 'C:' takes its first component without a separator ('C:x').
    const bool bareDrive = rootLength == 2 && BeginsWithDriveLetter(path);
    std::string result(path.substr(0, rootLength));
    auto atBareDrive = [&] { return bareDrive && result.size() == rootLength; };
    std::vector<size_t> componentStarts;  // result length before each kept component
    char pendingSeparator = 0;
    size_t position = rootLength;
    while (position < path.size()) {
        if (IsSeparator(path[position])) {
            if (pendingSeparator == 0) pendingSeparator = path[position];
            ++position;
            continue;
        }
        size_t end = FindSeparator(path, position);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view component = path.substr(position, end - position);
        if (component == "..") {
            if (!componentStarts.empty()) {
                result.resize(componentStarts.back());
                componentStarts.pop_back();
            }
        } else if (component != ".") {
            componentStarts.push_back(result.size());
            AppendSeparated(result, atBareDrive() ? 0 : pendingSeparator, component);
        }
        pendingSeparator = 0;
        position = end;
    }
    if (!atBareDrive()) AppendSeparated(result, pendingSeparator, "");
    return result;
}

bool GetCurrentDirectory(std::string& directory) {
    std::vector<char> buffer(PATH_MAX);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) {
        // A current directory longer than PATH_MAX could never fit a full path name anyway.
        if (errno == ERANGE) errno = ENAMETOOLONG;
        return false;
    }
    directory = buffer.data();
    return true;
}

}  // namespace

bool MpPlatformGetFullPathName(const char* pPath, char* pBuffer, uint32_t ulBufferSize) {
    if (pPath == nullptr || *pPath == '\0') {
        errno = EINVAL;
        return false;
    }
    std::string absolute;
    if (RootLength(pPath) == 0) {
        if (!GetCurrentDirectory(absolute)) return false;
        absolute += '/';
    }
    absolute += pPath;
    const std::string result = Normalise(absolute);
    if (result.size() >= ulBufferSize) {
        errno = ENAMETOOLONG;
        return false;
    }
    memcpy(pBuffer, result.c_str(), result.size() + 1);
    return true;
}
