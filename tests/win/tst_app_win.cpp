#include "app/crashlauncher.h"
#include "app/windowactivation.h"
#include "app/winmain_win.h"
#include "winsupport.h"

#include <doctest/doctest.h>
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_arguments;

int recordArguments(int argc, char** argv)
{
    g_arguments.assign(argv, argv + argc);
    return argv[argc] == nullptr ? 42 : -2;
}

} // namespace

TEST_CASE("the entry splits the wide command line, calls main and turns the crash box off")
{
    SetErrorMode(0);
    const int result = winentry::run(L"C:\\Apps\\Mouse\\vesk.exe -autostart \"two words\" --url=x", recordArguments);
    CHECK(result == 42);
    CHECK(g_arguments == std::vector<std::string>{"C:\\Apps\\Mouse\\vesk.exe", "-autostart", "two words", "--url=x"});
    CHECK((GetErrorMode() & SEM_NOGPFAULTERRORBOX) != 0);
}

TEST_CASE("the crash reporter starts with its unquoted command line")
{
    const std::wstring folder = winsupport::freshFolder(L"crashlauncher");
    const std::string program = wintext::utf8(winsupport::childProgram());
    const std::string record = wintext::utf8(folder) + "reporter.txt";
    std::vector<char> programText(program.begin(), program.end()), recordText(record.begin(), record.end());
    programText.push_back('\0');
    recordText.push_back('\0');
    char* argv[] = {programText.data(), recordText.data(), nullptr};

    crashlauncher::prepare();
    CHECK(crashlauncher::start(argv[0], argv) == 0);
    CHECK(winsupport::readRecord(wintext::wide(record)) == wintext::wide(program + " " + record));
}

TEST_CASE("a reporter that cannot be started reports the system's error number")
{
    char program[] = "C:\\no\\such\\CrashReporter.exe";
    char dump[] = "C:\\dumps\\1.dmp";
    char* argv[] = {program, dump, nullptr};
    crashlauncher::prepare();
    CHECK(crashlauncher::start(program, argv) == ERROR_FILE_NOT_FOUND);

    std::string tooLong(3000, 'x');
    char* longArgv[] = {program, &tooLong[0], nullptr};
    CHECK(crashlauncher::start(program, longArgv) == ERROR_FILENAME_EXCED_RANGE);
}

TEST_CASE("activateProcessWindow brings the first window of the process with a matching title forward")
{
    const auto makeWindow = [](const wchar_t* title) {
        HWND w = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
        REQUIRE(w);
        return w;
    };
    HWND product = makeWindow(L"Brimlock Driver");
    HWND untitled = makeWindow(L"");
    HWND internal = makeWindow(L"vesk (2)");
    HWND other = makeWindow(L"Notepad");
    SetForegroundWindow(other);

    std::vector<std::string> seen;
    const std::regex title("^vesk(\\s*\\(\\d+\\))?$");
    const auto matches = [&](const std::string& text) {
        seen.push_back(text);
        return std::regex_match(text, title);
    };

    CHECK(windowactivation::activateProcessWindow(GetCurrentProcessId(), matches));
    CHECK(GetForegroundWindow() == internal);
    for (const std::string& text : seen)
        CHECK_FALSE(text.empty());

    SetForegroundWindow(other);
    seen.clear();
    CHECK_FALSE(windowactivation::activateProcessWindow(GetCurrentProcessId() + 4, matches));
    CHECK_FALSE(windowactivation::activateProcessWindow(0x100000000ull + GetCurrentProcessId(), matches));
    CHECK(seen.empty());
    CHECK(GetForegroundWindow() == other);

    for (HWND w : {product, untitled, internal, other})
        DestroyWindow(w);
}

TEST_CASE("window titles reach the test as UTF-8")
{
    HWND w = CreateWindowExW(0, L"STATIC", L"vesk \u00e9\u4e2d", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                             nullptr, nullptr, nullptr, nullptr);
    std::string seen;
    windowactivation::activateProcessWindow(GetCurrentProcessId(), [&](const std::string& text) {
        if (text.rfind("vesk ", 0) == 0)
            seen = text;
        return false;
    });
    CHECK(seen == "vesk \xc3\xa9\xe4\xb8\xad");
    DestroyWindow(w);
}
