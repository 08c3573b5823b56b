#include "ui/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "model/Frontend.h"
#include "ui/AppIcon.h"

namespace velmora::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const QString product = QString::fromWCharArray(kApplicationName);
    setWindowTitle(QStringLiteral("關於 ") + product);
    setObjectName(QStringLiteral("aboutDialog"));
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(VelmoraLogo(48));
    auto* name = new QLabel(product, this);
    name->setObjectName(QStringLiteral("productName"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(name, 1);
    auto* column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace velmora::ui
