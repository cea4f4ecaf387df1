#include "data/engine.h"

#include "core/error.h"

namespace qd::data {

namespace {

QString what(Capability capability) {
    switch (capability) {
        case Capability::BackupCopy: return QStringLiteral("A backup copy");
        case Capability::PageCheck: return QStringLiteral("A check of the pages");
        case Capability::KeyCounters: return QStringLiteral("Setting the key counters");
        case Capability::Statistics: return QStringLiteral("Gathering statistics");
    }
    return QString();
}

}  // namespace

void Engine::unsupported(Capability capability) const {
    throw Error(QStringLiteral("%1 is not supported on this book ('%2').").arg(what(capability), name()));
}

void Engine::writeBackupCopy(const QString&, const QString&) { unsupported(Capability::BackupCopy); }

QStringList Engine::checkPages(PageCheckKind, int) { unsupported(Capability::PageCheck); }

long long Engine::lastNumberGiven(const QString&, const QString&) { unsupported(Capability::KeyCounters); }

void Engine::setLastNumberGiven(const QString&, const QString&, long long) {
    unsupported(Capability::KeyCounters);
}

void Engine::gatherStatistics(const QStringList&) { unsupported(Capability::Statistics); }

}  // namespace qd::data
