#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// The file work of the page-bundle install on Windows: the walk of the unpacked bundle, the
// folders it needs under the page folder, and the copies that wait for a page file in use.
namespace bundlefiles {

struct Plan {
    std::vector<std::wstring> folders;                        // to create, in order
    std::vector<std::pair<std::wstring, std::wstring>> files; // source, destination
};

enum class Walk { Planned, NoBundle, Failed };

// Breadth-first over `sourceRoot` (no trailing backslash): the destination root itself and
// each sub-folder under `destinationRoot` (ending in a backslash), then every file with its
// destination. NoBundle when the source root does not exist.
Walk plan(const std::wstring& sourceRoot, const std::wstring& destinationRoot, Plan* out);

// Creates the folders in order; one that exists already is fine.
bool createFolders(const std::vector<std::wstring>& folders);

// Asked after 30 failed copies of one file: true tries 30 times more, false gives up.
using RetryPrompt = std::function<bool(const std::wstring& destination)>;

// The message box without owner: "Update error!", Retry and Cancel, error icon.
bool askRetry(const std::wstring& destination);
std::wstring inaccessibleText(const std::wstring& destination);

// Copies over an existing file, 100 ms between attempts, asking `prompt` after every 30.
bool copyWithRetries(const std::wstring& source, const std::wstring& destination, const RetryPrompt& prompt);

} // namespace bundlefiles
