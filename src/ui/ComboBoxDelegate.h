#pragma once
// In-place drop-down with an edit field: offers the choices of the moment and
// accepts any typed text.

#include <functional>

#include <QStringList>
#include <QStyledItemDelegate>

namespace velmora::ui {

class ComboBoxDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    static constexpr int kMaxVisibleItems = 7;
    static constexpr int kMaxListWidth = 200;

    // choices is asked each time an editor opens.
    explicit ComboBoxDelegate(std::function<QStringList()> choices, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    std::function<QStringList()> choices_;
};

}  // namespace velmora::ui
