#pragma once

// Limits of the system, lowered for as long as an object lives, to make the
// faults of a full disk or of scarce memory happen on demand. POSIX only.

#include <QFile>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

class ResourceLimit
{
public:
    ResourceLimit(int resource, rlim_t value)
        : resource(resource)
    {
        getrlimit(resource, &old);
        rlimit lowered = old;
        lowered.rlim_cur = value;
        active = setrlimit(resource, &lowered) == 0;
    }
    ~ResourceLimit() { setrlimit(resource, &old); }
    ResourceLimit(const ResourceLimit &) = delete;
    ResourceLimit &operator=(const ResourceLimit &) = delete;

    bool active = false;

private:
    int resource;
    rlimit old = {};
};

class IgnoredSignal
{
public:
    explicit IgnoredSignal(int signal)
        : signal(signal)
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        sigaction(signal, &ignore, &old);
    }
    ~IgnoredSignal() { sigaction(signal, &old, nullptr); }
    IgnoredSignal(const IgnoredSignal &) = delete;
    IgnoredSignal &operator=(const IgnoredSignal &) = delete;

private:
    int signal;
    struct sigaction old = {};
};

// No file of the process may grow beyond the given size: a write past it
// fails with EFBIG as a write to a full disk fails with ENOSPC. SIGXFSZ,
// which would end the process, is ignored meanwhile.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
        : limit(RLIMIT_FSIZE, bytes)
    {
    }
    bool active() const { return limit.active; }

private:
    IgnoredSignal ignored{SIGXFSZ};
    ResourceLimit limit;
};

// Under AddressSanitizer an address-space limit models nothing: it maps
// shadow memory of its own and keeps freed blocks in quarantine.
#if defined(__SANITIZE_ADDRESS__)
#define QUILLMARK_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUILLMARK_ADDRESS_SANITIZER
#endif
#endif

// The process may map only the given number of bytes beyond what it has
// mapped now, as in a container with that much memory left.
class AddressSpaceLimit : public ResourceLimit
{
public:
    explicit AddressSpaceLimit(rlim_t moreBytes)
        : ResourceLimit(RLIMIT_AS, mappedNow() + moreBytes)
    {
    }

private:
    static rlim_t mappedNow()
    {
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return 0;
        return rlim_t(statm.readAll().split(' ').value(0).toULongLong()) * rlim_t(sysconf(_SC_PAGESIZE));
    }
};
