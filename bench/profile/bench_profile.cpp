// Profile document commands on a 1 MiB profile document against plain pugixml doing the same
// parse, select, edit and save in the same run, and the heap peak of an edit.

#include "bridge/profilecommands.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <pugixml.hpp>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#if !defined(__SANITIZE_ADDRESS__)
#include <malloc.h>

// Every allocation of the process passes here, Qt's and pugixml's alike, so the peak of live
// heap bytes during one command can be read off.
extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);
extern "C" void* __libc_memalign(size_t, size_t);

namespace heap {
std::atomic<long long> live{0};
std::atomic<long long> peak{0};

void grew(void* p)
{
    if (!p)
        return;
    const long long now = live += (long long)malloc_usable_size(p);
    long long seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}
void shrank(void* p)
{
    if (p)
        live -= (long long)malloc_usable_size(p);
}

// The most heap that `work` had in use at once beyond what was live before it.
long long peakDuring(const std::function<void()>& work)
{
    const long long before = live.load();
    peak.store(before);
    work();
    return peak.load() - before;
}
} // namespace heap

extern "C" void* malloc(size_t size)
{
    void* p = __libc_malloc(size);
    heap::grew(p);
    return p;
}
extern "C" void* calloc(size_t n, size_t size)
{
    void* p = __libc_calloc(n, size);
    heap::grew(p);
    return p;
}
extern "C" void* realloc(void* old, size_t size)
{
    const long long oldSize = old ? (long long)malloc_usable_size(old) : 0;
    void* p = __libc_realloc(old, size);
    if (p || size == 0) { // a failed reallocation keeps the old block
        heap::live -= oldSize;
        heap::grew(p);
    }
    return p;
}
extern "C" void* memalign(size_t alignment, size_t size)
{
    void* p = __libc_memalign(alignment, size);
    heap::grew(p);
    return p;
}
extern "C" void* aligned_alloc(size_t alignment, size_t size)
{
    return memalign(alignment, size);
}
extern "C" int posix_memalign(void** out, size_t alignment, size_t size)
{
    *out = memalign(alignment, size);
    return *out || !size ? 0 : 12; // ENOMEM
}
extern "C" void free(void* p)
{
    heap::shrank(p);
    __libc_free(p);
}
#define VESK_HEAP_COUNTED 1
#endif

namespace {

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

// About 1 MiB of profiles in the program's own saved form.
QString makeDocument()
{
    pugi::xml_document doc;
    pugi::xml_node profiles = doc.append_child("profiles");
    for (int p = 0;; ++p) {
        pugi::xml_node profile = profiles.append_child("profile");
        profile.append_attribute("index") = p;
        profile.append_attribute("name") = ("Profile " + std::to_string(p)).c_str();
        profile.append_attribute("active") = p == 0 ? "true" : "false";
        pugi::xml_node perf = profile.append_child("performance");
        perf.append_attribute("dpiStages") = 5;
        perf.append_attribute("pollingRate") = 1000;
        for (int s = 0; s < 5; ++s) {
            pugi::xml_node stage = perf.append_child("stage");
            stage.append_attribute("index") = s;
            stage.append_attribute("dpi") = 400 << s;
            stage.append_attribute("color") = "#ff4d4d";
        }
        pugi::xml_node buttons = profile.append_child("buttons");
        for (int b = 0; b < 5; ++b) {
            pugi::xml_node button = buttons.append_child("button");
            button.append_attribute("index") = b;
            button.append_attribute("name") = "Button";
            button.append_attribute("code") = "0x02,%,0x00,%";
        }
        profile.append_child("macros");
        if (p % 50 == 49) {
            StringWriter saved;
            doc.save(saved);
            if (saved.out.size() >= 1024 * 1024)
                return QString::fromStdString(saved.out);
        }
    }
}

// CPU time of this thread: the machine's other work does not count against either side.
double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double medianMs(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

struct Case {
    const char* name;
    std::function<void(ProfileCommands&)> ours;
    std::function<void(const std::string&)> plain;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString text = makeDocument();
    const std::string utf8 = text.toStdString();
    const QString path = dir.path() + QStringLiteral("/p.xml");

    QMap<QString, QString> documents;
    QStringList pendingPaths;
    ProfileCommands commands(documents, pendingPaths, dir.path());
    const auto callback = [] { return std::make_shared<QueryCallback>([](bool, int, const QString&) {}); };

    const char* queryXpath = "//profile[@index='500']/buttons/button";
    const char* editXpath = "//profile[@index='500']/buttons/button[@index='1']";
    const char* addXpath = "//profile[@index='500']/macros";

    const std::vector<Case> cases = {
        {"queryProfile",
         [&](ProfileCommands& c) {
             c.queryProfile({{"filePath", "p.xml"}, {"xpath", queryXpath}}, callback());
         },
         [&](const std::string& in) {
             pugi::xml_document doc;
             doc.load_string(in.c_str());
             StringWriter out;
             for (const pugi::xpath_node& n : doc.select_nodes(queryXpath))
                 n.node().print(out);
         }},
        {"modifyProfile",
         [&](ProfileCommands& c) {
             c.modifyProfile({{"filePath", "p.xml"},
                              {"xpath", editXpath},
                              {"attribute", "code;name"},
                              {"attributeValue", "0x07;Edited"}},
                             callback());
         },
         [&](const std::string& in) {
             pugi::xml_document doc;
             doc.load_string(in.c_str());
             for (const pugi::xpath_node& n : doc.select_nodes(editXpath)) {
                 n.node().attribute("code").set_value("0x07");
                 n.node().attribute("name").set_value("Edited");
             }
             StringWriter out;
             doc.save(out);
         }},
        {"modifyAddProfile",
         [&](ProfileCommands& c) {
             c.modifyAddProfile({{"filePath", "p.xml"},
                                 {"xpath", addXpath},
                                 {"addNodeName", "macro"},
                                 {"attribute", "id;name"},
                                 {"attributeValue", "1;Macro"}},
                                callback());
         },
         [&](const std::string& in) {
             pugi::xml_document doc;
             doc.load_string(in.c_str());
             for (const pugi::xpath_node& n : doc.select_nodes(addXpath)) {
                 pugi::xml_node macro = n.node().append_child("macro");
                 macro.append_attribute("id") = "1";
                 macro.append_attribute("name") = "Macro";
             }
             StringWriter out;
             doc.save(out);
         }},
    };

    std::printf("document: %.2f MiB of UTF-8 text (%d characters)\n", utf8.size() / 1048576.0, text.size());
    const int runs = 41;
    std::printf("median CPU time of %d interleaved runs each\n", runs);
    std::printf("%-18s %12s %12s %8s %8s\n", "command", "command ms", "pugixml ms", "ratio", "target");
    bool met = true;
    for (const Case& c : cases) {
        std::vector<double> ours, plain;
        for (int r = 0; r < runs; ++r) {
            documents.insert(path, text);
            pendingPaths.clear();
            double start = cpuMs();
            c.ours(commands);
            ours.push_back(cpuMs() - start);
            start = cpuMs();
            c.plain(utf8);
            plain.push_back(cpuMs() - start);
        }
        const double ratio = medianMs(ours) / medianMs(plain);
        met = met && ratio <= 1.3;
        std::printf("%-18s %12.2f %12.2f %8.2f %8s\n", c.name, medianMs(ours), medianMs(plain), ratio,
                    ratio <= 1.3 ? "<= 1.3" : "MISSED");
    }

#ifdef VESK_HEAP_COUNTED
    {
        documents.insert(path, text);
        const long long ours = heap::peakDuring([&] { cases[1].ours(commands); });
        const long long plain = heap::peakDuring([&] { cases[1].plain(utf8); });
        const double utf8Size = double(utf8.size());
        const double held = double(text.size()) * 2; // the text as the window holds it (UTF-16)
        std::printf("heap peak of modifyProfile: %.2f MiB = %.2f x UTF-8 text, %.2f x held text (target 3)\n",
                    ours / 1048576.0, ours / utf8Size, ours / held);
        std::printf("heap peak of plain pugixml: %.2f MiB = %.2f x UTF-8 text, %.2f x held text\n", plain / 1048576.0,
                    plain / utf8Size, plain / held);
    }
#endif
    return met ? 0 : 1;
}
