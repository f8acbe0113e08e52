#include "update/Updater.h"

#include "platform/ProgramDirectory.h"
#include "update/UpdateDescription.h"

#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

enum ExitCode {
    kInstalled = 0,
    kUsage = 1,
    kStillRunning = 2,
    kInstallFailed = 3,
    kCannotRestart = 4,
};

bool IsRunning(const fs::path& executable) {
    std::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code unreadable;
        const fs::path running = fs::read_symlink(it->path() / "exe", unreadable);
        if (!unreadable && running == executable)
            return true;
    }
    return false;
}

// One file of the update on its way in.
struct Move {
    fs::path download; // where the download lies
    fs::path target;   // the file it replaces
    fs::path backup;   // the replaced file while the others move
    bool backedUp = false;
    bool moved = false;
};

void Restore(std::vector<Move>& moves) {
    for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
        std::error_code ignored;
        if (move->moved)
            fs::rename(move->target, move->download, ignored);
        if (move->backedUp)
            fs::rename(move->backup, move->target, ignored);
    }
}

} // namespace

bool WaitUntilExited(const fs::path& executable, std::chrono::milliseconds limit) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(executable, error);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (IsRunning(error ? executable : canonical)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

InstallResult InstallUpdateFiles() {
    InstallResult result;
    const fs::path directory = ProgramDirectory();
    const fs::path description = DescriptionPath();
    std::error_code error;
    if (!fs::exists(description, error)) {
        result.message = "程序目录中没有 Version.ini，没有可安装的更新。";
        return result;
    }
    const UpdateDescription update = ReadDescription();
    if (std::string refusal = RefusalOfFiles(update); !refusal.empty()) {
        result.message = refusal;
        return result;
    }

    // Everything is checked before the first file moves.
    std::vector<Move> moves;
    for (const UpdateFile& file : update.files) {
        Move move;
        move.download = directory / *CleanRelativeName(file.TargetName());
        move.target = directory / *CleanRelativeName(file.replaceName);
        move.backup = move.target;
        move.backup += ".annivo-old";
        if (!fs::is_regular_file(move.download, error)) {
            result.message = "找不到下载的文件“" + file.TargetName() + "”，请重新下载更新。";
            return result;
        }
        if (!file.sha256.empty() && FileSha256(move.download) != file.sha256) {
            result.message = "文件“" + file.TargetName() + "”校验失败，请重新下载更新。";
            return result;
        }
        if (move.download != move.target)
            moves.push_back(move);
    }

    for (Move& move : moves) {
        std::error_code failure;
        if (fs::exists(move.target, failure)) {
            // The new file keeps the old one's permissions (the program must stay runnable).
            const fs::perms mode = fs::status(move.target, failure).permissions();
            if (!failure)
                fs::permissions(move.download, mode, failure);
            if (!failure) {
                fs::rename(move.target, move.backup, failure);
                move.backedUp = !failure;
            }
        } else if (!failure) {
            fs::create_directories(move.target.parent_path(), failure);
        }
        if (!failure) {
            fs::rename(move.download, move.target, failure);
            move.moved = !failure;
        }
        if (failure) {
            Restore(moves);
            result.message = "无法替换文件“" + move.target.lexically_relative(directory).string() +
                             "”（" + failure.message() + "），已恢复原来的文件。";
            return result;
        }
    }
    for (const Move& move : moves)
        if (move.backedUp)
            fs::remove(move.backup, error);
    fs::remove(description, error);
    result.ok = true;
    return result;
}

bool StartProgram(const fs::path& executable, const fs::path& directory) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    const std::string program = executable.string();
    char* arguments[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t child = 0;
    const int failed =
        posix_spawn(&child, program.c_str(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return failed == 0;
}

int RunUpdater(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "-r") != 0) {
        std::fprintf(
            stderr, "用法：annivo-update -r\n"
                    "在生日提醒下载更新后由它启动：等生日提醒退出，换上新文件，再启动生日提醒。\n");
        return kUsage;
    }
    const fs::path annivo = fs::path(ExecutablePath()).parent_path() / "annivo";
    if (!WaitUntilExited(annivo, std::chrono::seconds(60))) {
        std::fprintf(stderr, "annivo-update: 生日提醒仍在运行，请先退出所有生日提醒程序再升级。\n");
        return kStillRunning;
    }
    const InstallResult installed = InstallUpdateFiles();
    if (!installed.ok) {
        std::fprintf(stderr, "annivo-update: %s\n", installed.message.c_str());
        // The old version comes back, so the user is not left without it.
        if (!StartProgram(annivo, ProgramDirectory()))
            std::fprintf(stderr, "annivo-update: 无法启动 %s。\n", annivo.c_str());
        return kInstallFailed;
    }
    if (!StartProgram(annivo, ProgramDirectory())) {
        std::fprintf(stderr, "annivo-update: 更新已安装，但无法启动 %s，请手动启动。\n",
                     annivo.c_str());
        return kCannotRestart;
    }
    return kInstalled;
}
