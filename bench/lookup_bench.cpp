/*
 * lookup_bench.cpp - what one configuration lookup costs, by file size.
 *
 *   lookup_bench [benchmark flags] CONFIG_DIR
 *
 * Writes three config files into CONFIG_DIR (about 1 KB, 1 MB and 64 MB,
 * in the shape of a real config.ini: sections, comments, entries and blank
 * lines with CR LF ends) whose [pelgrove] section stands at the very end,
 * so each lookup reads the whole file. Then times GetIniValue for the last
 * key of that section, through the real file system
 * (platform/posix/files.cpp): that is the work the launcher does on
 * Windows, system calls included.
 *
 * Reported per size, besides the time: bytes per second, the number of heap
 * calls made during the timed lookups (every malloc, calloc, realloc and
 * operator new in the process is counted here), and the process's peak
 * resident memory after the run. The lookup keeps all its state in its own
 * stack frame, so the heap count must be 0 and the peak must not grow with
 * the file.
 */
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>

#include <atomic>
#include <string>

#include "../config/ini.h"

/* ---- counting every heap call in the process ---------------------------
 * glibc lets a program replace malloc and friends; these forward to glibc's
 * own allocator and count. operator new ends in malloc, so it is counted
 * too. */
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
extern "C" void __libc_free(void *);

static std::atomic<long> heapCalls;

extern "C" void *
malloc(size_t n)
{
    heapCalls++;
    return __libc_malloc(n);
}

extern "C" void *
calloc(size_t n, size_t size)
{
    heapCalls++;
    return __libc_calloc(n, size);
}

extern "C" void *
realloc(void *p, size_t n)
{
    heapCalls++;
    return __libc_realloc(p, n);
}

extern "C" void
free(void *p)
{
    __libc_free(p);
}

/* ---- the configs ------------------------------------------------------- */

static const char TAIL[] =
    "[pelgrove]\r\n"
    "# The Java runtime: javaw.exe, not java.exe.\r\n"
    "jre=\"C:\\Program Files\\Java\\jdk-17\\bin\\javaw.exe\"\r\n"
    "jar=myapp.jar\r\n";
static const char KEY[] = "jar";
static const char VALUE[] = "myapp.jar";

static long
PeakKiB()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

/* Writes a config of exactly size bytes to path, streaming it through a
 * small buffer so that making a 64 MB file does not itself raise the peak
 * memory the benchmark reports. */
static bool
WriteConfig(const std::string &path, long size)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    long tail = (long)strlen(TAIL);
    long written = 0;
    char line[160];
    for (long n = 0;; n++) {
        int length;
        switch (n % 6) {
        case 0:
            length = snprintf(line, sizeof line, "[tool%ld]\r\n", n / 6);
            break;
        case 1:
            length = snprintf(line, sizeof line,
                              "# Settings of tool %ld; see its manual.\r\n",
                              n / 6);
            break;
        case 2:
            length = snprintf(line, sizeof line,
                              "  path = C:\\Program Files\\Vendor\\Tool %ld"
                              "\\bin\\tool.exe\r\n", n / 6);
            break;
        case 3:
            length = snprintf(line, sizeof line,
                              "data=..\\shared\\tool%ld\\state.dat\r\n", n);
            break;
        case 4:
            length = snprintf(line, sizeof line, "jre=not this one\r\n");
            break;
        default:
            length = snprintf(line, sizeof line, "\r\n");
            break;
        }
        if (written + length + tail > size)
            break;
        fwrite(line, 1, length, file);
        written += length;
    }
    /* Pad with one comment line to the exact size. */
    long rest = size - tail - written;
    if (rest >= 3) {
        fputc('#', file);
        for (long i = 0; i < rest - 3; i++)
            fputc('-', file);
        fputs("\r\n", file);
    } else if (rest > 0) {
        fwrite("\r\n", 1, rest, file);
    }
    fwrite(TAIL, 1, tail, file);
    return fclose(file) == 0;
}

static void
Lookup(benchmark::State &state, std::string path, long size)
{
    char value[100];
    long before = heapCalls;
    for (auto _ : state) {
        int result = GetIniValue(value, sizeof value, path.c_str(),
                                 "pelgrove", KEY);
        benchmark::DoNotOptimize(result);
        if (result != 0 || strcmp(value, VALUE) != 0) {
            state.SkipWithError("lookup did not find the value");
            break;
        }
    }
    long calls = heapCalls - before;
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    state.counters["heap_calls"] = (double)calls;
    state.counters["peak_rss_kib"] = (double)PeakKiB();
    state.counters["file_bytes"] = (double)size;
}

int
main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        fprintf(stderr, "usage: %s [benchmark flags] CONFIG_DIR\n", argv[0]);
        return 2;
    }
    benchmark::AddCustomContext("peak_rss_kib_before_configs",
                                std::to_string(PeakKiB()));
    static const struct {
        const char *label;
        long size;
    } sizes[] = {
        {"1KB", 1L << 10},
        {"1MB", 1L << 20},
        {"64MB", 64L << 20},
    };
    for (const auto &s : sizes) {
        std::string path = std::string(argv[1]) + "/config-" + s.label + ".ini";
        if (!WriteConfig(path, s.size)) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        benchmark::RegisterBenchmark((std::string("Lookup/") + s.label).c_str(),
                                     Lookup, path, s.size);
    }
    benchmark::AddCustomContext("peak_rss_kib_after_configs",
                                std::to_string(PeakKiB()));
    /* Registering the benchmarks allocated: proof that the count works. */
    benchmark::AddCustomContext("heap_calls_before_run",
                                std::to_string(heapCalls.load()));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
