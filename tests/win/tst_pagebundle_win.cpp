#include "update/pagebundleinstall_win.h"
#include "winsupport.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Pair = std::pair<std::wstring, std::wstring>;

std::wstring contentOf(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return L"<none>";
    char buffer[256];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::wstring(buffer, buffer + read);
}

// A page file the browser holds open without sharing: no copy can replace it meanwhile.
struct HeldFile {
    HANDLE handle;
    explicit HeldFile(const std::wstring& path)
        : handle(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr))
    {
        REQUIRE(handle != INVALID_HANDLE_VALUE);
    }
    ~HeldFile() { release(); }
    void release()
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
};

} // namespace

TEST_CASE("the bundle is walked breadth-first into folders to make and files to copy")
{
    const std::wstring base = winsupport::freshFolder(L"bundleplan");
    const std::wstring source = base + L"ready";
    const std::wstring target = base + L"view\\";
    for (const wchar_t* folder : {L"ready", L"ready\\js", L"ready\\js\\pages", L"ready\\css"})
        CreateDirectoryW((base + folder).c_str(), nullptr);
    for (const wchar_t* file : {L"ready\\index.html", L"ready\\js\\app.js", L"ready\\js\\pages\\a.js"})
        REQUIRE(winsupport::writeFile(base + file, "x"));

    bundlefiles::Plan plan;
    REQUIRE(bundlefiles::plan(source, target, &plan) == bundlefiles::Walk::Planned);
    // Breadth-first: the root, its folders (in the listing's order), then theirs.
    REQUIRE(plan.folders.size() == 4);
    CHECK(plan.folders[0] == target);
    const std::vector<std::wstring> level{target + L"css\\", target + L"js\\"};
    CHECK(std::is_permutation(plan.folders.begin() + 1, plan.folders.begin() + 3, level.begin()));
    CHECK(plan.folders[3] == target + L"js\\pages\\");
    CHECK(plan.files == std::vector<Pair>{{source + L"\\index.html", target + L"index.html"},
                                          {source + L"\\js\\app.js", target + L"js\\app.js"},
                                          {source + L"\\js\\pages\\a.js", target + L"js\\pages\\a.js"}});

    CHECK(bundlefiles::createFolders(plan.folders));
    CHECK(bundlefiles::createFolders(plan.folders));
    CHECK((GetFileAttributesW((target + L"js\\pages").c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0);

    bundlefiles::Plan none;
    CHECK(bundlefiles::plan(base + L"missing", target, &none) == bundlefiles::Walk::NoBundle);
    CHECK(none.files.empty());
    // A file where a folder should be cannot be listed as one.
    CHECK(bundlefiles::plan(base + L"ready\\index.html", target, &none) == bundlefiles::Walk::Failed);
    // A folder that a file stands in the way of cannot be made.
    CHECK_FALSE(bundlefiles::createFolders({base + L"ready\\index.html\\sub\\"}));
}

TEST_CASE("a page file held open is copied once it is let go, within the retries")
{
    const std::wstring base = winsupport::freshFolder(L"bundleheld");
    REQUIRE(winsupport::writeFile(base + L"new.js", "new"));
    HeldFile held(base + L"app.js");
    std::thread release([&] {
        Sleep(700);
        held.release();
    });
    int prompts = 0;
    const DWORD start = GetTickCount();
    const bool copied = bundlefiles::copyWithRetries(base + L"new.js", base + L"app.js", [&](const std::wstring&) {
        ++prompts;
        return false;
    });
    const DWORD took = GetTickCount() - start;
    release.join();
    CHECK(copied);
    CHECK(prompts == 0);
    CHECK(took >= 600);
    CHECK(contentOf(base + L"app.js") == L"new");
}

TEST_CASE("after 30 failed attempts the prompt decides: retry for another 30, or give up")
{
    const std::wstring base = winsupport::freshFolder(L"bundleprompt");
    REQUIRE(winsupport::writeFile(base + L"new.js", "new"));
    HeldFile held(base + L"app.js");
    std::vector<std::wstring> asked;
    const DWORD start = GetTickCount();
    const bool copied = bundlefiles::copyWithRetries(base + L"new.js", base + L"app.js", [&](const std::wstring& d) {
        asked.push_back(d);
        if (asked.size() == 1)
            return true;
        held.release();
        return asked.size() < 3;
    });
    const DWORD took = GetTickCount() - start;
    // Two rounds of 30 attempts 100 ms apart, then the third round's first copy succeeds.
    CHECK(copied);
    CHECK(asked == std::vector<std::wstring>{base + L"app.js", base + L"app.js"});
    CHECK(took >= 5800);
    CHECK(contentOf(base + L"app.js") == L"new");

    HeldFile again(base + L"app.js");
    CHECK_FALSE(
        bundlefiles::copyWithRetries(base + L"new.js", base + L"app.js", [](const std::wstring&) { return false; }));
}

TEST_CASE("the message box names the file that cannot be written")
{
    CHECK(bundlefiles::inaccessibleText(L"C:\\Apps\\Mouse\\view\\app.js") ==
          L"Failed to update vesk :(\nC:\\Apps\\Mouse\\view\\app.js is not accessible.");
}
