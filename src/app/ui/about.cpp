#include "app/ui/about.h"

#include "app/ui/jpeg_decode.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

// The resource lives in a static library; registering it by hand keeps the
// linker from dropping it.
static void InitAboutResource()
{
    Q_INIT_RESOURCE(about);
}

namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 280;
constexpr int kPictureWidth = 305;
constexpr int kPictureHeight = 41;

QLabel* BoldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    return label;
}

}  // namespace

TFAbout::TFAbout(QWidget* parent)
    // A fixed-size dialog-type window: window managers offer no maximise
    // (or minimise) for it, only the close box.
    : QWidget(parent,
              Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    InitAboutResource();
    setObjectName(QStringLiteral("FAbout"));
    setWindowTitle(QStringLiteral("ZELK-DUV -> About"));
    setFixedSize(kWidth, kHeight);
}

QImage TFAbout::picture()
{
    buildContents();
    return picture_;
}

void TFAbout::setVisible(bool visible)
{
    if (visible)
        buildContents();
    QWidget::setVisible(visible);
}

void TFAbout::buildContents()
{
    if (built_)
        return;
    built_ = true;

    QFile resource(QStringLiteral(":/about/about_logo.jpg"));
    if (resource.open(QIODevice::ReadOnly))
        picture_ = WithTransparentBackground(DecodeJpeg(resource.readAll()));

    auto* pictureLabel = new QLabel(this);
    pictureLabel->setObjectName(QStringLiteral("Image1"));
    pictureLabel->setFixedSize(kPictureWidth, kPictureHeight);
    pictureLabel->setAttribute(Qt::WA_TranslucentBackground);
    if (!picture_.isNull())
        pictureLabel->setPixmap(QPixmap::fromImage(picture_));

    auto* title = new QLabel(QStringLiteral("ZELK-DUV set 1.0.1.34"), this);
    title->setObjectName(QStringLiteral("Label_title"));
    QFont titleFont(QStringLiteral("Verdana"));
    titleFont.setPixelSize(27);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignHCenter);

    auto* subtitle = new QLabel(QStringLiteral("(clock adjust)"), this);
    subtitle->setObjectName(QStringLiteral("Label_subtitle"));
    subtitle->setAlignment(Qt::AlignHCenter);

    auto* web = BoldLabel(QStringLiteral("www.zelk-metering.example"), this);
    web->setObjectName(QStringLiteral("Label_web"));
    auto* mail = BoldLabel(QStringLiteral("support@zelk-metering.example"), this);
    mail->setObjectName(QStringLiteral("Label_mail"));

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Button_close"));
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(pictureLabel, 0, Qt::AlignHCenter);
    layout->addSpacing(6);
    layout->addWidget(title);
    layout->addWidget(subtitle);
    layout->addStretch(1);
    layout->addWidget(web);
    layout->addWidget(mail);
    layout->addStretch(1);
    layout->addWidget(close, 0, Qt::AlignHCenter);
}

void TFAbout::ShowAbout()
{
    if (!placed_) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - QPoint(kWidth / 2, kHeight / 2));
        }
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}
