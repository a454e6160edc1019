#include "localfiledrop.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace {

// The local path of the one file a drag carries, or an empty text.
QString OneLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.front().isLocalFile() ? urls.front().toLocalFile() : QString();
}

}  // namespace

bool LocalFileDrop::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    const QEvent::Type type = event->type();
    if (edit == nullptr || edit->isReadOnly() ||
        (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)) {
        return false;
    }
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = OneLocalFile(drop->mimeData());
    if (path.isEmpty()) return false;
    // A file manager may offer the URI list alone, which the edit refuses.
    drop->acceptProposedAction();
    if (type == QEvent::Drop) {
        edit->setText(path);
        edit->setFocus(Qt::OtherFocusReason);
    }
    return true;
}
