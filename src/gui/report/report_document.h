#pragma once
// The rich-text report engine's document (RichView1) and its style sheet (RVStyle1), on
// QTextDocument. The document is built by operations that append text runs, tabs, paragraphs,
// horizontal rules and pictures; its units are pixels of the screen density it is laid out
// for, so indents, tab stops and pictures keep their pixel sizes while fonts scale with the
// density.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <map>

#include "report/report_content.h"

class QTextBlock;
class QTextDocument;
class QTextTable;

namespace otdr::gui {

// RVStyle1: the report's text and paragraph styles.
class ReportStyleSheet : public QObject {
    Q_OBJECT
  public:
    struct TextStyle {
        QString name;
        QString family;
        qreal pointSize = 11;
        bool bold = false;
        QColor colour = Qt::black;
    };
    struct ParaStyle {
        QString name;
        qreal firstIndent = 0;
        qreal leftIndent = 0;
        qreal rightIndent = 0;
        Qt::Alignment alignment = Qt::AlignLeft;
    };

    explicit ReportStyleSheet(QObject* parent = nullptr);

    // An unknown style number falls back to style 0.
    const TextStyle& textStyle(int number) const;
    const ParaStyle& paraStyle(int number) const;
    // The font of a text style, in pixels of the given screen density.
    QFont font(int textStyle, int screenDpi) const;
    QTextCharFormat charFormat(int textStyle, int screenDpi) const;
    QTextBlockFormat blockFormat(int paraStyle) const;
    // Distance between tab stops, in pixels.
    qreal tabWidth() const { return tabWidth_; }

  private:
    std::map<int, TextStyle> text_;
    std::map<int, ParaStyle> para_;
    qreal tabWidth_ = 48;
};

// RichView1: the report document.
class ReportDocument : public QObject {
    Q_OBJECT
  public:
    explicit ReportDocument(ReportStyleSheet* styles, QObject* parent = nullptr);
    ~ReportDocument() override;

    // The screen density the document is laid out for (pixels per inch).
    void setScreenDpi(int dpi);
    int screenDpi() const { return dpi_; }

    void clear();
    void addText(const QString& text, int textStyle);
    void addTab(int textStyle, int paraStyle);
    void addTextNL(const QString& text, int textStyle, int firstParaStyle, int otherParaStyle);
    void addNL(const QString& text, int textStyle, int paraStyle);
    void addBreak();
    void addPictureEx(const QString& name, const QImage& picture, int paraStyle, int vAlign);
    // A table of fixed columns below the current paragraph, its cells in text style 0; the
    // header rows repeat at the top of every page the table continues on.
    void addTable(const ReportTable& table);
    void format();
    // Fits the laid-out document to its page width (set by the pagination): a picture that
    // would reach past the right edge is cut there when the part beyond is blank, else scaled
    // down to fit; a table's columns share the width its widest cells leave; a line of text
    // that would break is set closer until it fits on one line.
    // Earlier fitting is undone first, so the document can be fitted to another paper; a
    // document fitted to this width already and unchanged since is left as it is.
    void fitToPage();

    // Runs a list of operations; AddPictureEx takes the logo or the chart picture.
    void run(const ReportOps& ops, const QImage& logo, const QImage& chart);

    QTextDocument* document() const { return doc_; }
    const ReportStyleSheet* styles() const { return styles_; }
    // The plain text of the document, paragraphs separated by new lines; a table row is one
    // line with its cells separated by tabs.
    QString plainText() const;
    int pictureCount() const { return pictures_; }
    // The tables in document order.
    const QList<QTextTable*>& tables() const { return tables_; }
    int ruleCount() const { return rules_; }

  private:
    enum class Block { Unused, Text, Rule, Table };
    void startParagraph(int paraStyle);
    void continueParagraph();
    void insert(const QString& text, int textStyle);
    void fitPictures(qreal width);
    void fitTables(qreal width);
    void fitLines();
    void setLetterSpacing(const QTextBlock& block, int percent);

    ReportStyleSheet* styles_;
    QTextDocument* doc_;
    QTextCursor cursor_;
    QImage device_;  // the paint device that fixes the layout's density
    int dpi_ = 96;
    Block block_ = Block::Unused;
    int pictures_ = 0;
    int rules_ = 0;
    // The pictures as added, by resource name, and the blocks set closer by the last fitting.
    QHash<QString, QImage> pictureSources_;
    QList<int> tightBlocks_;
    QList<QTextTable*> tables_;  // owned by the document
    qreal fittedWidth_ = 0;      // the page width of the last fitting; 0 after a change
};

}  // namespace otdr::gui
