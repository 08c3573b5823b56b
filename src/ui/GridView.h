#pragma once
// The report-style grid of the project and XOM tables: grid lines, whole-row
// selection, no row header. It reports context-menu requests (a row, or the empty
// area) and dropped files; what they mean is the dialog's business.

#include <QTableView>

namespace velmora::ui {

class GridView : public QTableView {
    Q_OBJECT

public:
    explicit GridView(QWidget* parent = nullptr);

    // Files dropped from the file manager are reported by fileDropped.
    void setAcceptsFileDrops(bool accept);

    // Writes the text of an open cell editor into its cell and closes the editor,
    // as leaving the cell would; nothing happens when no editor is open.
    void commitOpenEditor();

signals:
    // row is -1 for the empty area below the rows (or the context-menu key
    // while no row has the focus); globalPos is where the menu belongs.
    void contextMenuRequested(int row, const QPoint& globalPos);
    // The first dropped file's full path, with the platform's separator (NativePath);
    // the rest are ignored.
    void fileDropped(const QString& path);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    static QString FirstLocalFile(const QMimeData* mime);

    bool acceptsFileDrops_ = false;
};

}  // namespace velmora::ui
