// What the system says about a port that exists but would not open: is
// this user permitted to use it, and which program holds it (its lock file,
// or a process with the device open). Asked only after a refusal.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstring>

#include "platform/cvi.h"
#include "platform/userint_internal.h"
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

struct Refusal {
    QByteArray device;
    int refused = 0;  // the system refused (not: no such device, no tty)
};
Refusal gRefusals[kMaxPorts + 1];

const char* const kLockFolders[] = {"/var/lock", "/run/lock"};

QByteArray CommandOf(const QByteArray& pid) {
    QFile f(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(pid)));
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll().trimmed();
}

// The holder named by a lock file "LCK..ttyUSB0" (its first word is a pid).
QByteArray LockHolder(const QByteArray& device) {
    const QString name = QFileInfo(QFile::decodeName(device)).fileName();
    for (const char* folder : kLockFolders) {
        QFile f(QString::fromLatin1(folder) + QLatin1String("/LCK..") + name);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray pid = f.readAll().simplified().split(' ').value(0);
        const QByteArray command = CommandOf(pid);
        if (!command.isEmpty()) return command;
    }
    return QByteArray();
}

// A process with the device open (its file descriptors name it).
QByteArray OpenedBy(const QByteArray& device) {
    const QString target = QFileInfo(QFile::decodeName(device)).canonicalFilePath();
    const QStringList pids =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        if (pid.toInt() <= 0 || pid.toInt() == static_cast<int>(QCoreApplication::applicationPid()))
            continue;
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
            if (fd.symLinkTarget() == target) return CommandOf(pid.toLatin1());
    }
    return QByteArray();
}

}  // namespace

namespace kui {

void NoteOpenRefusal(int port, const char* device, int refused) {
    if (port < 1 || port > kMaxPorts) return;
    gRefusals[port].device = QByteArray(device ? device : "");
    gRefusals[port].refused = refused;
}

}  // namespace kui

int ComOpenRefusal(int port, int* exists, int* permitted, char* holder, int holderSize) {
    if (!exists || !permitted || !holder || holderSize < 1) return 0;
    *exists = 0;
    *permitted = 1;
    holder[0] = '\0';
    if (port < 1 || port > kMaxPorts || !gRefusals[port].refused) return 0;
    const QByteArray& device = gRefusals[port].device;
#ifndef Q_OS_UNIX
    (void)device;
    return 0;  // elsewhere the system names no cause beyond its own message
#else
    if (device.isEmpty() || !QFileInfo::exists(QFile::decodeName(device))) return 0;
    *exists = 1;
    *permitted = access(device.constData(), R_OK | W_OK) == 0 ? 1 : 0;
    if (*permitted) {
        QByteArray who = LockHolder(device);
        if (who.isEmpty()) who = OpenedBy(device);
        kui::CopyOut(QString::fromLocal8Bit(who), holder, holderSize, 0);
    }
    return 1;
#endif
}
