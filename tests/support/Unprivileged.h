#pragma once

// Permission cases mean nothing to root, who may read and write anywhere.
// When the tests run as root (as CI does), such a case runs its work in a
// child process that has become an unprivileged user first. POSIX only.

#include <QByteArray>
#include <QString>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace unprivileged {

// Dedicated ids that no account of a test machine is expected to use.
constexpr uid_t user = 61001;
constexpr uid_t otherUser = 61002;
constexpr gid_t sharedGroup = 61003;

inline bool runningAsRoot()
{
    return geteuid() == 0;
}

// The uid that runAsUser runs as.
inline uid_t effectiveUser()
{
    return runningAsRoot() ? user : geteuid();
}

// Runs work, which returns a QString, in a child process and returns what it
// returned, so that what work does to its process stays there.
template <typename Work>
QString runInChildProcess(Work &&work)
{
    int channel[2];
    if (pipe(channel) != 0)
        return QStringLiteral("<no pipe to the child>");
    const pid_t child = fork();
    if (child < 0)
        return QStringLiteral("<no child>");
    if (child == 0) {
        close(channel[0]);
        const QByteArray answer = work().toUtf8();
        for (qsizetype done = 0; done < answer.size();) {
            const ssize_t written = write(channel[1], answer.constData() + done, size_t(answer.size() - done));
            if (written <= 0)
                _exit(4);
            done += written;
        }
        _exit(0);
    }
    close(channel[1]);
    QByteArray answer;
    char buffer[4096];
    for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, got);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("<the child ended with status %1>").arg(status);
    return QString::fromUtf8(answer);
}

// Runs work as `user` in `sharedGroup` when running as root, and returns
// what it returned; as anyone else, runs it directly.
template <typename Work>
QString runAsUser(Work &&work)
{
    if (!runningAsRoot())
        return work();
    return runInChildProcess([&] {
        const gid_t groups[] = {sharedGroup};
        if (setgroups(1, groups) != 0 || setresgid(user, user, user) != 0 || setresuid(user, user, user) != 0)
            return QStringLiteral("<cannot become uid %1>").arg(user);
        return work();
    });
}

} // namespace unprivileged
