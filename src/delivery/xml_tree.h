#pragma once
// Reading an XML file into a tree of element nodes: the program's own small
// parser (byte by byte over Shift_JIS, as electronic-delivery files are
// written) or libxml2. The import reads element values from the nodes; the
// viewer window shows the same tree. Also the five character references used
// when writing and reading delivery files.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace zb {

class Messages;

// Escape: & < > ' " replaced by their references, "&" first, so the inserted
// references are not touched again. Nothing else changes.
QString xmlEscape(const QString& text);
// Unescape: each of the five references replaced by its character in one pass
// from left to right ("&amp;lt;" gives "&lt;").
QString xmlUnescape(const QString& text);

inline const QString kOwnParserName = QStringLiteral("TORVEN XML Parser");
inline const QString kLibxml2ParserName = QStringLiteral("libxml2 XML Parser");
inline const QString kXmlFormatError = QStringLiteral("XMLファイルのフォーマットが不正です。");
// The deepest nesting a file may have.
inline constexpr int kMaxXmlDepth = 30;
// A tag or a text longer than this, or more nodes than this, fails the load:
// no delivery holds anything near it.
inline constexpr qint64 kMaxXmlTextBytes = 64LL * 1024 * 1024;
inline constexpr qint64 kMaxXmlNodes = 4'000'000;
// libxml2 holds the whole document in memory: a bigger file fails.
inline constexpr qint64 kMaxLibxml2FileBytes = 512LL * 1024 * 1024;

struct XmlNode {
    QString caption;  // the start tag's text (name and attributes), or the display caption
    QString name;     // the element name: the caption up to the first blank
    QString value;    // the element's character data
    XmlNode* parent = nullptr;
    int level = 0;    // 0 for a top-level node
    std::vector<std::unique_ptr<XmlNode>> children;

    XmlNode* addChild(const QString& caption);
};

// The format message: the fixed text, and when the fault's place is known,
// its content, line and column.
QString xmlFormatMessage(const QString& content, int line, int column, bool placeKnown);

// The tree loaded from a file. Properties as the viewer and the import set them.
class TXMLTreeView {
public:
    QString ParserName = kOwnParserName;
    bool MSXML = false;       // true: libxml2 reads the file
    bool GamenPrint = false;  // true: values are shown in the captions (viewer)
    // With libxml2: a DTD (its bytes) the document is validated against after
    // reading; the file's own DOCTYPE is not loaded.
    QByteArray ValidationDtd;

    // Clears the tree and loads the file. On failure beeps, shows the format
    // message through `messages` (when given) and returns false; the nodes read
    // before the fault stay.
    bool LoadFromFile(const QString& path, Messages* messages);
    // The message of the last failure (empty after a success).
    QString errorText() const { return error_; }
    // What the validation against ValidationDtd found (at most kMaxValidityErrors lines).
    const QStringList& validityErrors() const { return validity_; }
    static constexpr int kMaxValidityErrors = 200;

    const std::vector<std::unique_ptr<XmlNode>>& nodes() const { return root_.children; }
    // Every node in tree order (depth first).
    std::vector<const XmlNode*> allNodes() const;
    void clear();
    // The name of the parser in use, as the viewer's label shows it.
    QString parserLabel() const;

    // What a node's caption becomes with GamenPrint on: padded to 26
    // characters, the value after it, the whole cut to 255.
    static QString printedCaption(const QString& caption, const QString& value);

private:
    bool loadOwn(const QString& path);
    bool loadLibxml2(const QString& path);
    void setValue(XmlNode* node, const QString& value);
    void fail(const QString& path, int line, int column, bool placeKnown, const QString& fallback = {});
    void validate(void* doc);

    XmlNode root_;
    QString error_;
    QStringList validity_;
    qint64 nodeCount_ = 0;
};

// The text of one line (1-based) of a Shift_JIS file, trimmed; empty when there is none.
QString xmlFileLine(const QString& path, int line);

}  // namespace zb
