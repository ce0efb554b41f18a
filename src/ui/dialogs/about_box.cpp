#include "ui/dialogs/about_box.h"

#include "ui/dialogs/splash_window.h"
#include "ui/look/product_text.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

void showAboutBox(QWidget* parent) {
    QDialog box(parent);
    box.setObjectName(QStringLiteral("aboutBox"));
    box.setWindowTitle(QStringLiteral("About LC3400 Cellwatch"));

    auto* picture = new QLabel(&box);
    picture->setObjectName(QStringLiteral("aboutPicture"));
    picture->setPixmap(splashPicture());
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* name = new QLabel(QString::fromLatin1(kProductName), &box);
    name->setObjectName(QStringLiteral("productName"));
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* release = new QLabel(QString::fromLatin1(kReleaseText), &box);
    release->setObjectName(QStringLiteral("releaseText"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

    auto* layout = new QGridLayout(&box);
    layout->addWidget(picture, 0, 0, 3, 1);
    layout->addWidget(name, 0, 1, Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(release, 1, 1, Qt::AlignLeft | Qt::AlignTop);
    layout->setRowStretch(2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    box.exec();
}
