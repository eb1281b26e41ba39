// Stand-in for the crash reporter: records how it was started into the file named by
// CRASHREPORTER_RECORD, one argument a line, then whether the last argument (the dump) exists.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    const char* record = std::getenv("CRASHREPORTER_RECORD");
    if (!record)
        return 2;
    std::string text;
    for (int i = 0; i < argc; ++i)
        text += std::string(argv[i]) + "\n";
    text += (argc > 1 && access(argv[argc - 1], R_OK) == 0) ? "dump present\n" : "dump missing\n";

    // Written aside and renamed, so a reader never sees half a record.
    const std::string partial = std::string(record) + ".partial";
    FILE* f = std::fopen(partial.c_str(), "w");
    if (!f)
        return 1;
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !written)
        return 1;
    return std::rename(partial.c_str(), record) == 0 ? 0 : 1;
}
