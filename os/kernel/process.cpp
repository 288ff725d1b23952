// process.cpp -- the program's command line and module path, child
// processes, the end of the process
//
// A child started by CreateProcessW stays a direct child of this process. A
// detached reaper thread waits for it: when it ends, its process handle is
// signalled with its exit code and the host's record of it is reaped, so no
// zombie is left whether or not anyone waits on the handle. If this process
// ends first, the host adopts the child -- unless the back end asks the
// ending process to wait for its children (a window's session: see
// os::host::outlive_children).
#include "os/kernel/process_private.h"
#include "os/kernel/module_private.h"
#include "os/kernel/path.h"
#include "os/kernel/sync_private.h"
#include "os/host/host.h"

#include <os/wstring.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <system_error>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace os::process {

namespace {

struct Program
{
    std::mutex lock;
    std::string path;
    std::u16string command_line;
    std::vector<WCHAR> command_line_buffer{0};
    CreateProcessHook hook;
};

Program& program()
{
    static auto* p = new Program; // never destroyed: other threads may still ask
    return *p;
}

// argv[0] as an absolute path without resolving links: a name without a
// slash is looked up in PATH as the shell did.
std::string absolute_program(const std::string& name)
{
    std::filesystem::path path(name);
    if (name.find('/') == std::string::npos)
    {
        std::string search = os::host::env("PATH");
        size_t start = 0;
        while (start <= search.size())
        {
            size_t end = search.find(':', start);
            std::string dir = search.substr(start, end == std::string::npos ? std::string::npos : end - start);
            std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0)
            {
                path = candidate;
                break;
            }
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    std::error_code error;
    if (path.is_relative())
        path = std::filesystem::current_path(error) / path;
    return path.lexically_normal().string();
}

} // namespace

void record_arguments(int argc, char** argv)
{
    if (argc > 0 && argv[0])
        set_program_path(absolute_program(argv[0]));
    std::string line;
    for (int i = 1; i < argc; ++i)
        line += (i > 1 ? " " : "") + std::string(argv[i]);
    set_command_line(os::to_u16(line));
}

void set_program_path(const std::string& host_path)
{
    std::lock_guard<std::mutex> guard(program().lock);
    program().path = host_path;
}

void set_command_line(const std::u16string& command_line)
{
    Program& p = program();
    std::lock_guard<std::mutex> guard(p.lock);
    p.command_line = command_line;
    p.command_line_buffer.assign(command_line.begin(), command_line.end());
    p.command_line_buffer.push_back(0);
}

std::string program_path()
{
    {
        std::lock_guard<std::mutex> guard(program().lock);
        if (!program().path.empty())
            return program().path;
    }
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}

void set_create_process_hook(CreateProcessHook hook)
{
    std::lock_guard<std::mutex> guard(program().lock);
    program().hook = std::move(hook);
}

} // namespace os::process

namespace os::sync {

namespace {

class ProcessObject : public Waitable
{
public:
    ObjectType type() const override { return ObjectType::Process; }
    bool ready(DWORD) const override { return exited; }
    DWORD exit_code_state() const { return exited ? exit_code : DWORD(STILL_ACTIVE); }

    pid_t pid = 0;
    bool exited = false;
    bool terminated = false;
    DWORD exit_code = 0;
};

// The thread handle of a child: it ends when the child ends.
class ChildThread : public ThreadObject
{
public:
    explicit ChildThread(std::shared_ptr<ProcessObject> process) : process(std::move(process)) {}
    bool finished_state() const override { return process->exited; }
    DWORD exit_code_state() const override { return process->exit_code_state(); }

    std::shared_ptr<ProcessObject> process;
};

DWORD host_exit_code(int status)
{
    if (WIFEXITED(status))
        return DWORD(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return DWORD(128 + WTERMSIG(status)); // as a shell reports it
    return 0;
}

// Waits for the child without reaping it, records its end under the kernel
// lock and only then reaps it, so that TerminateProcess never signals a
// reused process id.
void reap(std::shared_ptr<ProcessObject> process)
{
    siginfo_t info{};
    while (waitid(P_PID, id_t(process->pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR)
    {
    }
    std::lock_guard<std::mutex> guard(kernel_lock());
    int status = 0;
    pid_t reaped;
    while ((reaped = waitpid(process->pid, &status, 0)) < 0 && errno == EINTR)
    {
    }
    if (!process->terminated)
        process->exit_code = reaped == process->pid ? host_exit_code(status) : 0;
    process->exited = true;
    notify_all();
}

// The children with a reaper, for an ending process that waits for them.
std::mutex g_children_lock;
std::vector<std::shared_ptr<ProcessObject>> g_children;

void wait_for_children()
{
    std::vector<std::shared_ptr<ProcessObject>> children;
    {
        std::lock_guard<std::mutex> guard(g_children_lock);
        children = g_children;
    }
    for (auto& child : children)
        child->wait(INFINITE);
}

std::vector<std::string> child_environment_strings()
{
    std::vector<std::string> strings;
    for (char** entry = environ; entry && *entry; ++entry)
        strings.emplace_back(*entry);
    for (auto& [name, value] : os::host::child_environment())
    {
        std::string prefix = name + "=";
        std::erase_if(strings, [&](const std::string& s) { return s.compare(0, prefix.size(), prefix) == 0; });
        strings.push_back(prefix + value);
    }
    return strings;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> list;
    for (auto& s : strings)
        list.push_back(s.data());
    list.push_back(nullptr);
    return list;
}

DWORD spawn_error(int error)
{
    switch (error)
    {
    case ENOENT:
    case ENOTDIR:
        return ERROR_FILE_NOT_FOUND;
    case ENOEXEC:
    case EACCES:
    case EISDIR:
        return ERROR_BAD_EXE_FORMAT;
    default:
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

// Starts the program as the device does without handle inheritance: the
// child gets no descriptors but standard input, output and error (an
// inherited listening socket would keep the port of a restarted server
// busy) and no blocked signals.
int start_program(pid_t* pid, const std::string& exe, char** argv, char** envp)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    int error = posix_spawn(pid, exe.c_str(), &actions, &attributes, argv, envp);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Checks the program file and starts it; answers the child's id, or 0 with
// the last error set.
pid_t spawn(const std::u16string& application, const std::u16string& command_line)
{
    std::string exe = os::path::to_host(application);
    struct stat info;
    if (exe.empty() || stat(exe.c_str(), &info) != 0)
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (!S_ISREG(info.st_mode) || access(exe.c_str(), X_OK) != 0)
    {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return 0;
    }
    std::vector<std::string> arguments{exe};
    if (!command_line.empty())
        arguments.push_back(os::to_latin1(command_line));
    std::vector<std::string> environment = child_environment_strings();
    auto argv = pointers(arguments);
    auto envp = pointers(environment);
    pid_t pid = 0;
    int error = start_program(&pid, exe, argv.data(), envp.data());
    if (error != 0)
    {
        SetLastError(spawn_error(error));
        return 0;
    }
    return pid;
}

// The first word of a command line (quotes group), and the rest.
void split_program(std::u16string& application, std::u16string& command_line)
{
    size_t i = 0;
    while (i < command_line.size() && command_line[i] == u' ')
        ++i;
    bool quoted = i < command_line.size() && command_line[i] == u'"';
    size_t start = quoted ? i + 1 : i;
    size_t end = command_line.find(quoted ? u'"' : u' ', start);
    application = command_line.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    size_t rest = end == std::u16string::npos ? command_line.size() : end + 1;
    while (rest < command_line.size() && command_line[rest] == u' ')
        ++rest;
    command_line.erase(0, rest);
}

bool fill_information(std::shared_ptr<ProcessObject> process, LPPROCESS_INFORMATION information)
{
    if (!information)
        return true;
    HANDLE process_handle = handle_insert(process);
    HANDLE thread_handle = process_handle ? handle_insert(std::make_shared<ChildThread>(process)) : nullptr;
    if (!thread_handle)
    {
        if (process_handle)
            handle_close(process_handle);
        return false;
    }
    information->hProcess = process_handle;
    information->hThread = thread_handle;
    information->dwProcessId = DWORD(process->pid);
    information->dwThreadId = DWORD(process->pid);
    return true;
}

std::shared_ptr<ProcessObject> process_from_handle(HANDLE handle)
{
    if (handle == OS_CURRENT_PROCESS_HANDLE)
        return std::static_pointer_cast<ProcessObject>(current_process_object());
    return get<ProcessObject>(handle);
}

} // namespace

std::shared_ptr<Waitable> current_process_object()
{
    static auto* self = new std::shared_ptr<ProcessObject>([] {
        auto process = std::make_shared<ProcessObject>();
        process->pid = getpid();
        return process;
    }());
    return *self;
}

} // namespace os::sync

using namespace os::sync;

LPWSTR GetCommandLineW()
{
    auto& p = os::process::program();
    std::lock_guard<std::mutex> guard(p.lock);
    return p.command_line_buffer.data();
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size)
{
    if (module && module != os::module::program_instance())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!buffer && size > 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string path = os::path::to_device(os::process::program_path());
    if (path.size() < size)
    {
        std::copy(path.begin(), path.end(), buffer);
        buffer[path.size()] = 0;
        return DWORD(path.size());
    }
    if (size > 0)
    {
        std::copy(path.begin(), path.begin() + (size - 1), buffer);
        buffer[size - 1] = 0;
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

BOOL CreateProcessW(LPCWSTR application, LPWSTR command_line, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                    DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION information)
{
    std::u16string app = application ? application : u"";
    std::u16string line = command_line ? command_line : u"";
    if (app.empty())
        split_program(app, line);
    if (app.empty())
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    os::process::CreateProcessHook hook;
    {
        std::lock_guard<std::mutex> guard(os::process::program().lock);
        hook = os::process::program().hook;
    }
    auto process = std::make_shared<ProcessObject>();
    if (hook)
    {
        if (!hook(app, line))
            return FALSE;
        process->exited = true;
        return fill_information(process, information) ? TRUE : FALSE;
    }
    process->pid = spawn(app, line);
    if (process->pid == 0)
        return FALSE;
    try
    {
        std::thread(reap, process).detach();
        std::lock_guard<std::mutex> guard(g_children_lock);
        {
            std::lock_guard<std::mutex> kernel(kernel_lock());
            std::erase_if(g_children, [](const std::shared_ptr<ProcessObject>& child) { return child->exited; });
        }
        g_children.push_back(process);
    }
    catch (const std::system_error&)
    {
        // No thread to watch the child: it runs on, and the host adopts it
        // when this process ends; its handle never becomes signalled.
    }
    return fill_information(process, information) ? TRUE : FALSE;
}

void ExitProcess(UINT code)
{
    // Like the device, end at once: other threads are not unwound and static
    // objects are not destroyed under their feet. Buffered output is kept; a
    // scripted session that missed a screenshot ends with a failure status.
    int status = os::host::end_program(int(code & 0xFF));
    std::fflush(nullptr);
    if (os::host::outlive_children())
        os::sync::wait_for_children();
    _exit(status);
}

BOOL TerminateProcess(HANDLE handle, UINT code)
{
    auto process = process_from_handle(handle);
    if (!process)
        return FALSE;
    if (process->pid == getpid())
        ExitProcess(code);
    std::lock_guard<std::mutex> guard(kernel_lock());
    if (process->exited || process->pid <= 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    kill(process->pid, SIGKILL);
    process->terminated = true;
    process->exit_code = code;
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE handle, LPDWORD code)
{
    return answer_exit_code(process_from_handle(handle), code);
}

DWORD GetCurrentProcessId()
{
    return DWORD(getpid());
}

HANDLE GetCurrentProcess()
{
    return OS_CURRENT_PROCESS_HANDLE;
}
