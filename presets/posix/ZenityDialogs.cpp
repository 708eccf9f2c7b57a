#include "presets/posix/ZenityDialogs.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace presets {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string findOnPath(const char* name) {
    const char* env = std::getenv("PATH");
    const std::string list = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string dir = list.substr(start, end - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (isExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

void pause10ms() {
    struct timespec ts = {0, 10 * 1000 * 1000};
    ::nanosleep(&ts, nullptr);
}

// A child process run with an argument vector (no shell). Its standard output
// is read through a non-blocking pipe when captured; standard input and error
// go to /dev/null.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { stop(); }

    bool start(const std::string& program, const std::vector<std::string>& args, bool capture) {
        stop();
        output.clear();
        eof = !capture;
        int fds[2] = {-1, -1};
        if (capture && ::pipe2(fds, O_CLOEXEC) != 0) return false;
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        if (capture)
            posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        else
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        // A process group of its own, so that closing it ends what it started too.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        pid_t child = -1;
        const int rc = ::posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        if (capture) ::close(fds[1]);
        if (rc != 0) {
            if (capture) ::close(fds[0]);
            return false;
        }
        pid = child;
        if (capture) {
            out = fds[0];
            ::fcntl(out, F_SETFL, ::fcntl(out, F_GETFL) | O_NONBLOCK);
        }
        return true;
    }

    bool running() const { return pid > 0 || out >= 0; }

    // True once the child has ended; status is its exit code (-1 when it did
    // not exit normally). Where the host has children reaped for it, the end
    // of the output stands for the end of the child.
    bool finished(int& status) {
        drain();
        if (pid > 0) {
            int st = 0;
            const pid_t r = ::waitpid(pid, &st, WNOHANG);
            if (r == 0) return false;
            if (r == pid) {
                pid = -1;
                drainToEnd();
                status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
                closePipe();
                return true;
            }
            if (errno != ECHILD) return false;
            pid = -1;
        }
        if (!eof) return false;
        closePipe();
        status = output.empty() ? 1 : 0;
        return true;
    }

    // Ends a child that is still running and reaps it.
    void stop() {
        if (pid > 0) {
            ::kill(-pid, SIGTERM);
            int st = 0;
            bool gone = false;
            for (int i = 0; i < 100 && !gone; ++i) {
                const pid_t r = ::waitpid(pid, &st, WNOHANG);
                gone = r == pid || (r < 0 && errno == ECHILD);
                if (!gone) pause10ms();
            }
            if (!gone) {
                ::kill(-pid, SIGKILL);
                ::waitpid(pid, &st, 0);
            }
            pid = -1;
        }
        closePipe();
    }

    std::string output;

private:
    void drain() {
        if (out < 0) return;
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(out, buf, sizeof buf);
            if (n > 0) {
                if (output.size() < 65536) output.append(buf, (std::size_t)n);
                continue;
            }
            if (n == 0) eof = true;
            if (n < 0 && errno == EINTR) continue;
            return;
        }
    }
    // After the child ended, what it wrote is all in the pipe.
    void drainToEnd() {
        for (int i = 0; i < 100 && out >= 0 && !eof; ++i) {
            drain();
            if (!eof) pause10ms();
        }
    }
    void closePipe() {
        if (out >= 0) ::close(out);
        out = -1;
    }

    pid_t pid = -1;
    int out = -1;
    bool eof = true;
};

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class ZenityDialogs final : public CFileDialogs {
public:
    explicit ZenityDialogs(const std::string& program) : program(program) {}
    ~ZenityDialogs() override {
        abandon();
        for (auto& box : boxes) box->stop();
    }

    bool open(const FileDialogRequest& r) override {
        reapBoxes();
        if (stage != Stage::Idle || !available()) return false;
        request = r;
        std::vector<std::string> args = {"--file-selection", "--title=" + r.title,
                                         "--filename=" + r.folder + r.fileName,
                                         "--file-filter=" + r.filterName + " | " + r.filterPattern,
                                         "--file-filter=All Files | *"};
        if (r.save) {
            args.push_back("--save");
            args.push_back("--confirm-overwrite");
        }
        if (!dialog.start(program, args, true)) return false;
        stage = Stage::Choosing;
        return true;
    }

    DialogStatus poll(std::string& path) override {
        reapBoxes();
        int status = 0;
        switch (stage) {
            case Stage::Idle: return DialogStatus::Cancelled;
            case Stage::Choosing:
                if (!dialog.finished(status)) return DialogStatus::Running;
                stage = Stage::Idle;
                return chosen(status, path);
            case Stage::Confirming:
                if (!question.finished(status)) return DialogStatus::Running;
                stage = Stage::Idle;
                if (status != 0) return DialogStatus::Cancelled;
                path = answer;
                return DialogStatus::Chosen;
        }
        return DialogStatus::Cancelled;
    }

    void abandon() override {
        dialog.stop();
        question.stop();
        stage = Stage::Idle;
    }

    void showError(const char* text) override {
        reapBoxes();
        const std::string message = text ? text : "";
        if (!available()) {
            std::fprintf(stderr, "emberline: %s %s\n", kErrorCaption, message.c_str());
            return;
        }
        boxes.push_back(std::make_unique<Child>());
        if (!boxes.back()->start(program, {"--error", std::string("--title=") + kErrorCaption, "--no-markup",
                                          "--text=" + message},
                                false))
            boxes.pop_back();
    }

private:
    enum class Stage { Idle, Choosing, Confirming };

    // Once per process, a missing zenity is said on standard error.
    bool available() {
        if (program.empty()) program = findOnPath("zenity");
        if (!program.empty() && isExecutableFile(program)) return true;
        static bool reported = false;
        if (!reported) {
            reported = true;
            std::fprintf(stderr,
                         "emberline: zenity was not found; the preset and bank file dialogs cannot be shown "
                         "(install the zenity package)\n");
        }
        return false;
    }

    // The file dialog closed. A name saved without an extension gets the
    // default one; when that names an existing file, the user is asked first.
    DialogStatus chosen(int status, std::string& path) {
        const std::string& out = dialog.output;
        answer = out.substr(0, out.find('\n'));
        if (status != 0 || answer.empty()) return DialogStatus::Cancelled;
        if (request.save && !request.defaultExtension.empty() &&
            baseName(answer).find('.') == std::string::npos) {
            answer += "." + request.defaultExtension;
            struct stat st;
            if (::stat(answer.c_str(), &st) == 0) {
                const std::string text = "A file named \"" + baseName(answer) +
                                         "\" already exists.\nDo you want to replace it?";
                if (!question.start(program, {"--question", "--title=" + request.title, "--no-markup",
                                              "--text=" + text},
                                    false))
                    return DialogStatus::Cancelled;
                stage = Stage::Confirming;
                return DialogStatus::Running;
            }
        }
        path = answer;
        return DialogStatus::Chosen;
    }

    void reapBoxes() {
        int status = 0;
        for (std::size_t i = 0; i < boxes.size();) {
            if (boxes[i]->finished(status))
                boxes.erase(boxes.begin() + (std::ptrdiff_t)i);
            else
                ++i;
        }
    }

    std::string program;
    Stage stage = Stage::Idle;
    FileDialogRequest request;
    std::string answer;
    Child dialog, question;
    std::vector<std::unique_ptr<Child>> boxes;
};

}  // namespace

std::unique_ptr<CFileDialogs> createZenityDialogs(const std::string& program) {
    return std::make_unique<ZenityDialogs>(program);
}

std::unique_ptr<CFileDialogs> createPlatformFileDialogs() { return createZenityDialogs(); }

}  // namespace presets
