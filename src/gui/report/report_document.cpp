#include "report/report_document.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextLength>
#include <QTextOption>
#include <QUrl>

#include "app/qt_text.h"

namespace otdr::gui {

namespace {
constexpr double kMetresPerInch = 0.0254;
}

ReportStyleSheet::ReportStyleSheet(QObject* parent) : QObject(parent) {
    setObjectName("RVStyle1");
    text_[kTextNormal] =
        TextStyle{QStringLiteral("Normal"), QStringLiteral("Arial"), 11, false, Qt::black};
    text_[kTextHeading] =
        TextStyle{QStringLiteral("Heading"), QStringLiteral("Arial"), 14, true, Qt::black};
    para_[kParaLeft] = ParaStyle{QStringLiteral("Left"), 30, 0, 0, Qt::AlignLeft};
    para_[kParaCentered] = ParaStyle{QStringLiteral("Centered"), 0, 50, 50, Qt::AlignHCenter};
}

const ReportStyleSheet::TextStyle& ReportStyleSheet::textStyle(int number) const {
    const auto it = text_.find(number);
    return it != text_.end() ? it->second : text_.at(kTextNormal);
}

const ReportStyleSheet::ParaStyle& ReportStyleSheet::paraStyle(int number) const {
    const auto it = para_.find(number);
    return it != para_.end() ? it->second : para_.at(kParaLeft);
}

QFont ReportStyleSheet::font(int number, int screenDpi) const {
    const TextStyle& t = textStyle(number);
    QFont f(t.family);
    // Arial first; where it is missing, metric-compatible faces and a face with Chinese glyphs.
    f.setFamilies({t.family, QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                   QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(qMax(1, qRound(t.pointSize * screenDpi / 72.0)));
    f.setBold(t.bold);
    return f;
}

QTextCharFormat ReportStyleSheet::charFormat(int number, int screenDpi) const {
    QTextCharFormat f;
    f.setFont(font(number, screenDpi));
    f.setForeground(textStyle(number).colour);
    return f;
}

QTextBlockFormat ReportStyleSheet::blockFormat(int number) const {
    const ParaStyle& p = paraStyle(number);
    QTextBlockFormat f;
    f.setTextIndent(p.firstIndent);
    f.setLeftMargin(p.leftIndent);
    f.setRightMargin(p.rightIndent);
    f.setAlignment(p.alignment);
    return f;
}

ReportDocument::ReportDocument(ReportStyleSheet* styles, QObject* parent)
    : QObject(parent),
      styles_(styles),
      doc_(new QTextDocument(this)),
      device_(1, 1, QImage::Format_RGB32) {
    setObjectName("RichView1");
    doc_->setDocumentMargin(0);
    doc_->setUndoRedoEnabled(false);
    QTextOption option = doc_->defaultTextOption();
    option.setTabStopDistance(styles_->tabWidth());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc_->setDefaultTextOption(option);
    setScreenDpi(dpi_);
    clear();
}

ReportDocument::~ReportDocument() = default;

void ReportDocument::setScreenDpi(int dpi) {
    dpi_ = dpi > 0 ? dpi : 96;
    const int dotsPerMetre = qRound(dpi_ / kMetresPerInch);
    device_.setDotsPerMeterX(dotsPerMetre);
    device_.setDotsPerMeterY(dotsPerMetre);
    doc_->documentLayout()->setPaintDevice(&device_);
    doc_->setDefaultFont(styles_->font(kTextNormal, dpi_));
}

void ReportDocument::clear() {
    doc_->clear();
    // Pictures of earlier reports go with the document's resources.
    doc_->setPageSize(QSizeF());
    cursor_ = QTextCursor(doc_);
    block_ = Block::Unused;
    pictures_ = 0;
    rules_ = 0;
}

void ReportDocument::startParagraph(int paraStyle) {
    const QTextBlockFormat f = styles_->blockFormat(paraStyle);
    if (block_ == Block::Unused)
        cursor_.setBlockFormat(f);
    else
        cursor_.insertBlock(f, styles_->charFormat(kTextNormal, dpi_));
    block_ = Block::Text;
}

void ReportDocument::continueParagraph() {
    // A rule stands on a line of its own: what follows it starts a paragraph.
    if (block_ != Block::Text) startParagraph(kParaLeft);
}

void ReportDocument::insert(const QString& text, int textStyle) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\n'), QChar::LineSeparator);
    cursor_.insertText(t, styles_->charFormat(textStyle, dpi_));
}

void ReportDocument::addText(const QString& text, int textStyle) {
    continueParagraph();
    insert(text, textStyle);
}

void ReportDocument::addTab(int textStyle, int paraStyle) {
    if (paraStyle >= 0)
        startParagraph(paraStyle);
    else
        continueParagraph();
    insert(QStringLiteral("\t"), textStyle);
}

void ReportDocument::addTextNL(const QString& text, int textStyle, int firstParaStyle,
                               int otherParaStyle) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = t.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int para = i == 0 ? firstParaStyle : otherParaStyle;
        if (para >= 0)
            startParagraph(para);
        else if (i == 0)
            continueParagraph();
        else
            startParagraph(kParaLeft);
        insert(lines[i], textStyle);
    }
}

void ReportDocument::addNL(const QString& text, int textStyle, int paraStyle) {
    if (paraStyle >= 0)
        startParagraph(paraStyle);
    else
        continueParagraph();
    insert(text, textStyle);
}

void ReportDocument::addBreak() {
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 100));
    if (block_ == Block::Unused)
        cursor_.setBlockFormat(rule);
    else
        cursor_.insertBlock(rule, styles_->charFormat(kTextNormal, dpi_));
    block_ = Block::Rule;
    ++rules_;
}

void ReportDocument::addPictureEx(const QString& name, const QImage& picture, int paraStyle,
                                  int vAlign) {
    if (paraStyle >= 0)
        startParagraph(paraStyle);
    else
        continueParagraph();
    ++pictures_;
    const QString resource =
        QStringLiteral("report-picture:%1/%2").arg(pictures_).arg(name.isEmpty() ? "item" : name);
    doc_->addResource(QTextDocument::ImageResource, QUrl(resource), picture);
    QTextImageFormat f;
    f.setName(resource);
    f.setWidth(picture.width());
    f.setHeight(picture.height());
    f.setVerticalAlignment(vAlign == kPictureMiddle ? QTextCharFormat::AlignMiddle
                                                    : QTextCharFormat::AlignBaseline);
    cursor_.insertImage(f);
}

void ReportDocument::format() {
    // Lays the document out now rather than at the first paint.
    doc_->documentLayout()->documentSize();
}

void ReportDocument::run(const ReportOps& ops, const QImage& logo, const QImage& chart) {
    for (const DocOp& op : ops) {
        const QString text = fromUtf8(op.text);
        switch (op.kind) {
            case DocOpKind::Clear:
                clear();
                break;
            case DocOpKind::AddText:
                addText(text, op.textStyle);
                break;
            case DocOpKind::AddTab:
                addTab(op.textStyle, op.paraStyle);
                break;
            case DocOpKind::AddTextNL:
                addTextNL(text, op.textStyle, op.paraStyle, op.otherParaStyle);
                break;
            case DocOpKind::AddNL:
                addNL(text, op.textStyle, op.paraStyle);
                break;
            case DocOpKind::AddBreak:
                addBreak();
                break;
            case DocOpKind::AddPictureEx:
                addPictureEx(text, op.picture == ReportPicture::Logo ? logo : chart, op.paraStyle,
                             op.vAlign);
                break;
            case DocOpKind::Format:
                format();
                break;
        }
    }
}

QString ReportDocument::plainText() const {
    QString out;
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        if (b != doc_->begin()) out += QLatin1Char('\n');
        out += b.text();
    }
    return out;
}

}  // namespace otdr::gui
