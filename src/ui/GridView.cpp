#include "ui/GridView.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

#include "ui/NativePath.h"

namespace velmora::ui {

GridView::GridView(QWidget* parent) : QTableView(parent) {
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    // Tab leaves the grid for the next control, as in a list view.
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setStretchLastSection(false);
    // The column headers offer no menu, neither their own nor the grid's.
    horizontalHeader()->setContextMenuPolicy(Qt::PreventContextMenu);
    setDragDropMode(QAbstractItemView::NoDragDrop);
}

void GridView::setAcceptsFileDrops(bool accept) {
    acceptsFileDrops_ = accept;
    setAcceptDrops(accept);
    viewport()->setAcceptDrops(accept);
}

void GridView::commitOpenEditor() {
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GridView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QModelIndex current = currentIndex();
        if (current.isValid()) {
            const QRect cell = visualRect(current);
            emit contextMenuRequested(current.row(), viewport()->mapToGlobal(cell.center()));
        } else {
            emit contextMenuRequested(-1, viewport()->mapToGlobal(QPoint(0, 0)));
        }
        event->accept();
        return;
    }
    const QPoint inViewport = viewport()->mapFromGlobal(event->globalPos());
    if (!viewport()->rect().contains(inViewport)) {
        event->ignore();
        return;
    }
    emit contextMenuRequested(rowAt(inViewport.y()), event->globalPos());
    event->accept();
}

QString GridView::FirstLocalFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return QString();
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return QString();
    // As the file picker gives it: the script and the Path cell see one form.
    return NativePath(urls.first().toLocalFile());
}

void GridView::dragEnterEvent(QDragEnterEvent* event) {
    if (acceptsFileDrops_ && !FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void GridView::dragMoveEvent(QDragMoveEvent* event) {
    if (acceptsFileDrops_ && !FirstLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void GridView::dropEvent(QDropEvent* event) {
    const QString path = acceptsFileDrops_ ? FirstLocalFile(event->mimeData()) : QString();
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(path);
}

}  // namespace velmora::ui
