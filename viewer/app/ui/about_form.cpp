#include "viewer/app/ui/about_form.h"

#include "viewer/app/viewer_dialogs.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace viewer {

TAboutform::TAboutform(QWidget* parent, IViewerDialogs& dialogs)
    : QDialog(parent)
    , dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Aboutform"));
    setWindowTitle(QStringLiteral("About Rivelle"));
    auto* layout = new QVBoxLayout(this);

    ProductName = new QLabel(QStringLiteral("Rivelle"), this);
    QFont big = ProductName->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    ProductName->setFont(big);
    Version = new QLabel(QStringLiteral("Version... 1.00"), this);
    Comments = new QLabel(QStringLiteral("S-Parameter File Viewer/utility"), this);
    layout->addWidget(ProductName);
    layout->addWidget(Version);
    layout->addWidget(Comments);

    auto* links = new QGridLayout;
    URL = new QLabel(QString::fromUtf8(kWebAddress), this);
    EMAIL = new QLabel(QString::fromUtf8(kMailAddress), this);
    links->addWidget(new QLabel(QStringLiteral("URL:"), this), 0, 0);
    links->addWidget(URL, 0, 1);
    links->addWidget(new QLabel(QStringLiteral("EMAIL:"), this), 1, 0);
    links->addWidget(EMAIL, 1, 1);
    links->setColumnStretch(1, 1);
    for (QLabel* l : { URL, EMAIL }) {
        l->setCursor(Qt::PointingHandCursor);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::blue);
        l->setPalette(p);
        l->installEventFilter(this);
    }
    layout->addLayout(links);

    auto* row = new QHBoxLayout;
    row->addStretch();
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    row->addWidget(OKButton);
    row->addStretch();
    layout->addLayout(row);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

bool TAboutform::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == URL) {
            URLClick();
            return true;
        }
        if (watched == EMAIL) {
            EMAILClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutform::URLClick()
{
    if (!dialogs_.OpenUrl(URL->text().toStdString()))
        dialogs_.ShowMessage("Couldn't launch default browser");
}

void TAboutform::EMAILClick()
{
    dialogs_.OpenUrl("mailto:" + EMAIL->text().toStdString());
}

} // namespace viewer
