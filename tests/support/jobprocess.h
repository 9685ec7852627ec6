// A child process whose standard handles are NUL and which lives in a job
// that ends it should the test die first, so no test run leaves a simulator
// or a panel behind, nor a pipe held open.
#pragma once

#include <windows.h>

#include <string>

class TJobProcess {
public:
    TJobProcess() = default;
    TJobProcess(const TJobProcess&) = delete;
    TJobProcess& operator=(const TJobProcess&) = delete;
    ~TJobProcess() { Kill(); }

    bool Start(std::string commandLine, DWORD flags = 0)
    {
        job_ = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        null_ = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            OPEN_EXISTING, 0, nullptr);
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = si.hStdOutput = si.hStdError = null_;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags | CREATE_SUSPENDED,
                            nullptr, nullptr, &si, &pi))
            return false;
        AssignProcessToJobObject(job_, pi.hProcess);
        ResumeThread(pi.hThread);
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
        return true;
    }
    DWORD Id() const { return pid_; }
    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // The exit code, or -1 when it has not ended within the time.
    long WaitExit(DWORD ms)
    {
        if (!process_ || WaitForSingleObject(process_, ms) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return static_cast<long>(code);
    }
    void Kill()
    {
        if (process_) {
            if (Running()) TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
            CloseHandle(process_);
            process_ = nullptr;
        }
        if (job_) CloseHandle(job_);
        job_ = nullptr;
        if (null_ != INVALID_HANDLE_VALUE) CloseHandle(null_);
        null_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE job_ = nullptr;
    HANDLE process_ = nullptr;
    HANDLE null_ = INVALID_HANDLE_VALUE;
    DWORD pid_ = 0;
};
