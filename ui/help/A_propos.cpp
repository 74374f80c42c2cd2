#include "ui/help/A_propos.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>

#include "store/AppFiles.h"
#include "ui/Twips.h"
#include "app/help/About.h"

namespace ui {

namespace {

struct LabelPlace {
    int left, top, width;
};
// Lb(1)..Lb(5), twips: version under the title, then licence and
// copyright, then the two links side by side.
constexpr std::array<LabelPlace, 6> Layout = {{
    {0, 0, 0},
    {720, 1800, 4500},
    {240, 2400, 5400},
    {240, 2760, 5400},
    {240, 3360, 2900},
    {3240, 3360, 2400},
}};
constexpr int LabelHeight = 285;
// Below the links: the grids' credits, then which parameter database is in
// use, and any notice about it.
constexpr int CreditsTop = 3840, CreditsHeight = 1200;
constexpr int DbLeft = 240, DbTop = CreditsTop + CreditsHeight, DbWidth = 5400, DbHeight = 1200;
constexpr int FormWidth = 5880, FormHeight = DbTop + DbHeight + 240;
// Set by the build (TRAVENA_CONTACT); without one the contact link is not shown.
constexpr const char* Contact = TRAVENA_CONTACT;
constexpr int ContactLink = 4, WebLink = 5;

void SetColour(QLabel* label, int r, int g, int b) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, QColor(r, g, b));
    label->setPalette(p);
}

}  // namespace

A_propos::A_propos(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("A propos"));
    setFixedSize(TwipsToPixels(FormWidth, *this), TwipsToPixels(FormHeight, *this));
    setMouseTracking(true);
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    auto* title = new QLabel(QStringLiteral("Travena"), this);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    title->setFont(big);
    title->setGeometry(TwipsToPixels(720, *this), TwipsToPixels(480, *this), TwipsToPixels(4500, *this),
                       TwipsToPixels(720, *this));
    auto* subtitle = new QLabel(QStringLiteral("Transformation de coordonnées entre systèmes géodésiques"), this);
    subtitle->setWordWrap(true);
    subtitle->setGeometry(TwipsToPixels(720, *this), TwipsToPixels(1260, *this), TwipsToPixels(4800, *this),
                          TwipsToPixels(480, *this));

    const std::array<QString, 6> texts = {
        QString(),
        QStringLiteral("Version ") + QString::fromUtf8(app::Version()),
        QStringLiteral("Travena, logiciel libre sous licence MIT (fichier LICENSE)"),
        QStringLiteral("© Les développeurs de Travena"),
        QStringLiteral("Contact : ") + QString::fromUtf8(Contact),
        QStringLiteral("Documentation"),
    };
    for (int i = 1; i <= WebLink; ++i) {
        auto* label = new QLabel(texts[i], this);
        label->setObjectName(QStringLiteral("Lb_%1").arg(i));
        const LabelPlace& s = Layout[i];
        label->setGeometry(TwipsToPixels(s.left, *this), TwipsToPixels(s.top, *this), TwipsToPixels(s.width, *this),
                           TwipsToPixels(LabelHeight, *this));
        label->setMouseTracking(true);
        label->installEventFilter(this);
        SetColour(label, 0, 0, 192);
        if (i >= ContactLink) label->setCursor(Qt::PointingHandCursor);
        lb_[i] = label;
    }
    auto* credits = new QLabel(QString::fromStdString(app::GridCredits()), this);
    credits->setObjectName(QStringLiteral("Credits"));
    credits->setWordWrap(true);
    credits->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    credits->setGeometry(TwipsToPixels(DbLeft, *this), TwipsToPixels(CreditsTop, *this), TwipsToPixels(DbWidth, *this),
                         TwipsToPixels(CreditsHeight, *this));
    auto* db = new QLabel(QString::fromStdString(app::ParamDbText()), this);
    db->setObjectName(QStringLiteral("ParamDb"));
    db->setWordWrap(true);
    db->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    db->setTextInteractionFlags(Qt::TextSelectableByMouse);
    db->setGeometry(TwipsToPixels(DbLeft, *this), TwipsToPixels(DbTop, *this), TwipsToPixels(DbWidth, *this),
                    TwipsToPixels(DbHeight, *this));
    if (!*Contact) {
        lb_[ContactLink]->hide();
        const LabelPlace& s = Layout[ContactLink];
        lb_[WebLink]->move(TwipsToPixels(s.left, *this), TwipsToPixels(s.top, *this));
    }
}

QUrl A_propos::LinkTarget(int Index) const {
    if (Index == ContactLink) return *Contact ? QUrl(QStringLiteral("mailto:") + QString::fromUtf8(Contact)) : QUrl();
    if (Index == WebLink) {
        // Beside the executable in a build tree, in the shipped data once installed.
        const std::string page = store::ShippedFile("docs/index.html");
        return page.empty() ? QUrl() : QUrl::fromLocalFile(QString::fromStdString(page));
    }
    return {};
}

void A_propos::Lb_Click(int Index) {
    if (Index != ContactLink && Index != WebLink) return;
    const QUrl target = LinkTarget(Index);
    if (openUrl && !target.isEmpty()) openUrl(target);
}

void A_propos::SetLinkColour(int r, int g, int b) {
    SetColour(lb_[ContactLink], r, g, b);
    SetColour(lb_[WebLink], r, g, b);
}

void A_propos::Lb_MouseMove(int Index) {
    if (Index == ContactLink || Index == WebLink) {
        SetColour(lb_[Index], 255, 0, 0);
        linkHot_ = 1;
    } else {
        SetLinkColour(0, 0, 255);
        linkHot_ = 0;
    }
}

void A_propos::Form_MouseMove() {
    if (linkHot_ != 1) return;
    SetLinkColour(0, 0, 255);
    linkHot_ = 0;
}

void A_propos::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove();
    QDialog::mouseMoveEvent(event);
}

bool A_propos::eventFilter(QObject* watched, QEvent* event) {
    for (int i = 1; i <= WebLink; ++i) {
        if (watched != lb_[i]) continue;
        // Consumed: passed on, a label's move would reach the window's
        // background handler and undo the highlight at once.
        if (event->type() == QEvent::MouseMove) {
            Lb_MouseMove(i);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Lb_Click(i);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ui
