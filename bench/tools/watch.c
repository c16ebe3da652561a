// bench-watch: starts a program and times it from outside through X11: when
// its window is mapped and when a window's title becomes a given text. Then
// it samples the PSS of everything the program started and ends it all.
//
//   bench-watch [--done TITLE] [--pss-at SECONDS]... [--enter-on TITLE COUNT]... [--timeout SECONDS]
//               -- PROGRAM [ARG...]
//
// --enter-on presses Enter COUNT times in the first window titled TITLE, as
// soon as it is mapped (through xdotool, which gives it the focus first), as
// a user who knows the way does.
//
// Prints one line: "map <s> done <s>", then for each --pss-at S (seconds
// after the title, in the order given) "pss<S>_kib <n> tree<S>_kib <n>
// procs<S> <n>" (tree: see treeResidentKib); times are counted from just
// before the fork, "-" stands for what did not happen.
// With -v, one line per sampled process goes to standard error. Exit status 0 when everything
// awaited happened, 1 on timeout or early exit, 2 on a usage or X11 error.
#define _GNU_SOURCE
#include <xcb/xcb.h>

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

// Both programs title their main window with this prefix from the start.
static const char MapTitlePrefix[] = "Quaylet";

static volatile sig_atomic_t stopRequested = 0;

static void onStopSignal(int signal)
{
    (void)signal;
    stopRequested = 1;
}

static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static xcb_atom_t internAtom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t atom = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return atom;
}

static xcb_atom_t netWmName;
static xcb_atom_t utf8String;

// The window's title, _NET_WM_NAME first, WM_NAME otherwise; "" when none.
static void windowTitle(xcb_connection_t* c, xcb_window_t window, char* out, size_t size)
{
    out[0] = '\0';
    const xcb_atom_t names[2] = {netWmName, XCB_ATOM_WM_NAME};
    const xcb_atom_t types[2] = {utf8String, XCB_GET_PROPERTY_TYPE_ANY};
    for (int i = 0; i < 2; ++i) {
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(c, xcb_get_property(c, 0, window, names[i], types[i], 0, 1024), NULL);
        if (!reply)
            continue;
        const int length = xcb_get_property_value_length(reply);
        if (length > 0) {
            const size_t n = (size_t)length < size - 1 ? (size_t)length : size - 1;
            memcpy(out, xcb_get_property_value(reply), n);
            out[n] = '\0';
            free(reply);
            return;
        }
        free(reply);
    }
}

// Every process below this one: as child subreaper it also inherits the
// orphans the browser engine leaves behind, so walking parent links finds all.
static int descendants(pid_t* out, int capacity)
{
    enum { MaxProcs = 32768 };
    static pid_t pids[MaxProcs];
    static pid_t parents[MaxProcs];
    int count = 0;
    DIR* proc = opendir("/proc");
    if (!proc)
        return 0;
    struct dirent* entry;
    while ((entry = readdir(proc)) && count < MaxProcs) {
        if (!isdigit((unsigned char)entry->d_name[0]))
            continue;
        char path[300];
        snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        FILE* file = fopen(path, "r");
        if (!file)
            continue;
        char line[1024];
        const bool read = fgets(line, sizeof line, file) != NULL;
        fclose(file);
        // The command name may hold blanks and parentheses: fields follow the last ')'.
        const char* close = read ? strrchr(line, ')') : NULL;
        int parent = 0;
        if (!close || sscanf(close + 1, " %*c %d", &parent) != 1)
            continue;
        pids[count] = (pid_t)atoi(entry->d_name);
        parents[count] = (pid_t)parent;
        ++count;
    }
    closedir(proc);

    int found = 0;
    out[found++] = getpid();
    for (int scan = 0; scan < found; ++scan) {
        for (int i = 0; i < count && found < capacity; ++i) {
            if (parents[i] == out[scan])
                out[found++] = pids[i];
        }
    }
    // The watcher itself is not measured.
    memmove(out, out + 1, (size_t)(found - 1) * sizeof *out);
    return found - 1;
}

// The physical pages resident in the whole process tree, each counted once,
// whoever else maps them: the tree's PSS as it would be if nothing outside the
// tree shared its pages (libraries shared with other programs running at the
// same time lower the plain PSS). Needs the page frame numbers of pagemap,
// which only root may read; -1 without them.
enum { FrameSetBits = 21 };
static uint64_t frames[1u << FrameSetBits];  // open addressing, 0 = empty
static long framesHeld;

static bool addFrame(uint64_t frame)
{
    const uint64_t mask = (1u << FrameSetBits) - 1;
    uint64_t slot = (frame * 0x9e3779b97f4a7c15ull) >> (64 - FrameSetBits);
    while (frames[slot] != 0 && frames[slot] != frame)
        slot = (slot + 1) & mask;
    if (frames[slot] == frame)
        return true;
    if (framesHeld >= (long)(mask * 3 / 4))
        return false;
    frames[slot] = frame;
    ++framesHeld;
    return true;
}

static bool addResidentFrames(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/pagemap", (int)pid);
    const int pagemap = open(path, O_RDONLY);
    snprintf(path, sizeof path, "/proc/%d/smaps", (int)pid);
    FILE* smaps = fopen(path, "r");
    if (pagemap < 0 || !smaps) {
        if (pagemap >= 0)
            close(pagemap);
        if (smaps)
            fclose(smaps);
        return true;  // the process has ended meanwhile
    }
    const long pageSize = sysconf(_SC_PAGESIZE);
    bool readable = true;
    unsigned long start = 0;
    unsigned long end = 0;
    char line[512];
    while (readable && fgets(line, sizeof line, smaps)) {
        long rss = 0;
        if (sscanf(line, "%lx-%lx ", &start, &end) == 2)
            continue;
        if (sscanf(line, "Rss: %ld kB", &rss) != 1 || rss == 0)
            continue;
        uint64_t entries[512];
        for (unsigned long page = start / pageSize; readable && page < end / pageSize;) {
            const unsigned long count = end / pageSize - page < 512 ? end / pageSize - page : 512;
            const ssize_t got = pread(pagemap, entries, count * sizeof *entries, (off_t)(page * sizeof *entries));
            if (got <= 0)
                break;
            for (ssize_t i = 0; i < got / (ssize_t)sizeof *entries; ++i) {
                const bool present = entries[i] >> 63;
                const uint64_t frame = entries[i] & ((1ull << 55) - 1);
                if (present && frame == 0)
                    readable = false;  // frame numbers withheld
                else if (present && !addFrame(frame))
                    readable = false;
            }
            page += (unsigned long)got / sizeof *entries;
        }
    }
    fclose(smaps);
    close(pagemap);
    return readable;
}

static long treeResidentKib(const pid_t* pids, int count)
{
    memset(frames, 0, sizeof frames);
    framesHeld = 0;
    for (int i = 0; i < count; ++i) {
        if (!addResidentFrames(pids[i]))
            return -1;
    }
    return framesHeld * (sysconf(_SC_PAGESIZE) / 1024);
}

static long pssKib(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/smaps_rollup", (int)pid);
    FILE* file = fopen(path, "r");
    if (!file)
        return 0;
    char line[256];
    long value = 0;
    while (fgets(line, sizeof line, file)) {
        if (sscanf(line, "Pss: %ld kB", &value) == 1)
            break;
    }
    fclose(file);
    return value;
}

static void describe(pid_t pid, long pss)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/cmdline", (int)pid);
    char cmdline[160] = "";
    FILE* file = fopen(path, "r");
    if (file) {
        const size_t n = fread(cmdline, 1, sizeof cmdline - 1, file);
        fclose(file);
        for (size_t i = 0; i + 1 < n; ++i) {
            if (cmdline[i] == '\0')
                cmdline[i] = ' ';
        }
        cmdline[n] = '\0';
    }
    fprintf(stderr, "  pid %d pss %ld kB %s\n", (int)pid, pss, cmdline);
}

static void sleepSeconds(double seconds)
{
    const double end = now() + seconds;
    for (double left = seconds; left > 0 && !stopRequested; left = end - now()) {
        struct timespec ts = {(time_t)left, (long)((left - (double)(time_t)left) * 1e9)};
        nanosleep(&ts, NULL);
    }
}

// Asks everything below to stop, then forces what is left after a grace.
static void endAll(pid_t group)
{
    enum { Capacity = 1024 };
    pid_t pids[Capacity];
    kill(-group, SIGTERM);
    int n = descendants(pids, Capacity);
    for (int i = 0; i < n; ++i)
        kill(pids[i], SIGTERM);
    const double deadline = now() + 3.0;
    while (now() < deadline) {
        while (waitpid(-1, NULL, WNOHANG) > 0) {
        }
        if (descendants(pids, Capacity) == 0)
            return;
        usleep(20000);
    }
    kill(-group, SIGKILL);
    n = descendants(pids, Capacity);
    for (int i = 0; i < n; ++i)
        kill(pids[i], SIGKILL);
    while (waitpid(-1, NULL, 0) > 0) {
    }
}

static int usage(void)
{
    fprintf(stderr, "usage: bench-watch [-v] [--done TITLE] [--pss-at SECONDS]... [--enter-on TITLE COUNT]..."
                    " [--timeout SECONDS] -- PROGRAM [ARG...]\n");
    return 2;
}

// Where Enter is pressed, and whether it was.
typedef struct {
    const char* title;
    int count;
    bool pressed;
} EnterOn;

// Focuses the window and presses Enter in it, without waiting for that.
static void pressEnter(xcb_window_t window, int count)
{
    if (fork() != 0)
        return;
    char id[32];
    snprintf(id, sizeof id, "%u", (unsigned)window);
    char* arguments[16] = {"xdotool", "windowfocus", "--sync", id, "key", "--delay", "40"};
    int n = 7;
    for (int k = 0; k < count && n < 15; ++k)
        arguments[n++] = "Return";
    arguments[n] = NULL;
    execvp("xdotool", arguments);
    _exit(127);
}

int main(int argc, char* argv[])
{
    const char* doneTitle = NULL;
    enum { MaxSamples = 4 };
    double sampleAt[MaxSamples];
    int samples = 0;
    double timeout = 30;
    enum { MaxEnterOn = 4 };
    EnterOn enterOn[MaxEnterOn];
    int enterOns = 0;
    bool verbose = false;
    int first = 1;
    for (; first < argc; ++first) {
        if (strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        }
        if (strcmp(argv[first], "-v") == 0)
            verbose = true;
        else if (strcmp(argv[first], "--done") == 0 && first + 1 < argc)
            doneTitle = argv[++first];
        else if (strcmp(argv[first], "--pss-at") == 0 && first + 1 < argc && samples < MaxSamples)
            sampleAt[samples++] = atof(argv[++first]);
        else if (strcmp(argv[first], "--enter-on") == 0 && first + 2 < argc && enterOns < MaxEnterOn) {
            enterOn[enterOns].title = argv[++first];
            enterOn[enterOns].count = atoi(argv[++first]);
            enterOn[enterOns++].pressed = false;
        } else if (strcmp(argv[first], "--timeout") == 0 && first + 1 < argc)
            timeout = atof(argv[++first]);
        else
            return usage();
    }
    if (first >= argc)
        return usage();

    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "bench-watch: cannot open the display\n");
        return 2;
    }
    netWmName = internAtom(c, "_NET_WM_NAME");
    utf8String = internAtom(c, "UTF8_STRING");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t rootEvents = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &rootEvents));
    if (error) {
        fprintf(stderr, "bench-watch: cannot watch the root window\n");
        free(error);
        return 2;
    }

    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = onStopSignal;
    sigaction(SIGINT, &action, NULL);
    sigaction(SIGTERM, &action, NULL);
    sigaction(SIGHUP, &action, NULL);
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    const double start = now();
    const pid_t child = fork();
    if (child < 0) {
        perror("bench-watch: fork");
        return 2;
    }
    if (child == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        execvp(argv[first], argv + first);
        perror("bench-watch: exec");
        _exit(127);
    }
    setpgid(child, child);

    double mapped = -1;
    double done = -1;
    bool exited = false;
    char title[1024];
    const int fd = xcb_get_file_descriptor(c);
    while (!stopRequested && !exited && (mapped < 0 || (doneTitle && done < 0))) {
        const double left = start + timeout - now();
        if (left <= 0)
            break;
        struct pollfd wait = {fd, POLLIN, 0};
        const int ready = poll(&wait, 1, (int)(left * 1000) + 1);
        const double at = now() - start;
        if (ready < 0 && errno != EINTR)
            break;
        if (waitpid(child, NULL, WNOHANG) == child)
            exited = true;
        xcb_generic_event_t* event;
        while ((event = xcb_poll_for_event(c))) {
            switch (event->response_type & 0x7f) {
            case XCB_CREATE_NOTIFY: {
                // Titles change later; only a window's own events report that.
                const xcb_window_t window = ((xcb_create_notify_event_t*)event)->window;
                const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
                windowTitle(c, window, title, sizeof title);
                if (doneTitle && done < 0 && strcmp(title, doneTitle) == 0)
                    done = at;
                break;
            }
            case XCB_MAP_NOTIFY: {
                const xcb_window_t window = ((xcb_map_notify_event_t*)event)->window;
                windowTitle(c, window, title, sizeof title);
                if (mapped < 0 && strncmp(title, MapTitlePrefix, sizeof MapTitlePrefix - 1) == 0)
                    mapped = at;
                for (int k = 0; k < enterOns; ++k) {
                    if (!enterOn[k].pressed && strcmp(title, enterOn[k].title) == 0) {
                        enterOn[k].pressed = true;
                        pressEnter(window, enterOn[k].count);
                        break;
                    }
                }
                break;
            }
            case XCB_PROPERTY_NOTIFY: {
                const xcb_property_notify_event_t* notify = (xcb_property_notify_event_t*)event;
                if (doneTitle && done < 0 && (notify->atom == netWmName || notify->atom == XCB_ATOM_WM_NAME)) {
                    windowTitle(c, notify->window, title, sizeof title);
                    if (strcmp(title, doneTitle) == 0)
                        done = at;
                }
                break;
            }
            default:
                break;
            }
            free(event);
        }
        if (xcb_connection_has_error(c))
            break;
    }
    const bool complete = mapped >= 0 && (!doneTitle || done >= 0) && !exited && !stopRequested;

    long totals[MaxSamples] = {0};
    long trees[MaxSamples] = {0};
    int procs[MaxSamples] = {0};
    for (int k = 0; k < samples && complete && doneTitle; ++k) {
        sleepSeconds(start + done + sampleAt[k] - now());
        enum { Capacity = 1024 };
        pid_t pids[Capacity];
        procs[k] = descendants(pids, Capacity);
        if (verbose)
            fprintf(stderr, "processes %g s after the title:\n", sampleAt[k]);
        for (int i = 0; i < procs[k]; ++i) {
            const long pss = pssKib(pids[i]);
            totals[k] += pss;
            if (verbose)
                describe(pids[i], pss);
        }
        trees[k] = treeResidentKib(pids, procs[k]);
    }
    endAll(child);
    xcb_disconnect(c);

    char mapText[32] = "-";
    char doneText[32] = "-";
    if (mapped >= 0)
        snprintf(mapText, sizeof mapText, "%.4f", mapped);
    if (done >= 0)
        snprintf(doneText, sizeof doneText, "%.4f", done);
    printf("map %s done %s", mapText, doneText);
    for (int k = 0; k < samples; ++k) {
        char pssText[32] = "-";
        char treeText[32] = "-";
        if (procs[k] > 0)
            snprintf(pssText, sizeof pssText, "%ld", totals[k]);
        if (procs[k] > 0 && trees[k] >= 0)
            snprintf(treeText, sizeof treeText, "%ld", trees[k]);
        printf(" pss%g_kib %s tree%g_kib %s procs%g %d", sampleAt[k], pssText, sampleAt[k], treeText, sampleAt[k],
               procs[k]);
    }
    printf("\n");
    return complete ? 0 : 1;
}
