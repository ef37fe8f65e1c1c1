#include "app/single_instance.h"

#include <QDir>

namespace otdr::gui {

QString SingleInstance::lockPath() {
    return QDir::tempPath() + QStringLiteral("/OneInstanceAllowed.lock");
}

SingleInstance::SingleInstance() : lock_(std::make_unique<QLockFile>(lockPath())) {
    // A lock left by a copy that crashed is taken over (its process no longer exists).
    lock_->setStaleLockTime(0);
    acquired_ = lock_->tryLock(0);
}

}  // namespace otdr::gui
