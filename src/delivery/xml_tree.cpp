#include "delivery/xml_tree.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "delivery/xml_encoding.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <functional>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/valid.h>
#include <cstdarg>
#include <cstdio>

namespace zb {

namespace {

struct Ref {
    QChar c;
    QLatin1StringView ref;
};
const std::array<Ref, 5> kRefs = {{{QLatin1Char('&'), QLatin1StringView("&amp;")},
                                   {QLatin1Char('<'), QLatin1StringView("&lt;")},
                                   {QLatin1Char('>'), QLatin1StringView("&gt;")},
                                   {QLatin1Char('\''), QLatin1StringView("&apos;")},
                                   {QLatin1Char('"'), QLatin1StringView("&quot;")}}};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

QByteArray trimmed(const QByteArray& b)
{
    qsizetype s = 0, e = b.size();
    while (s < e && isBlank(b[s]))
        ++s;
    while (e > s && isBlank(b[e - 1]))
        --e;
    return b.mid(s, e - s);
}

QString nameOf(const QString& caption)
{
    qsizetype i = 0;
    while (i < caption.size() && !caption[i].isSpace())
        ++i;
    return caption.left(i);
}

// Byte reader over a file with a line and a column count.
class ByteReader {
public:
    explicit ByteReader(QFile& f) : f_(f) {}
    bool get(unsigned char& c)
    {
        if (pos_ >= buf_.size()) {
            buf_ = f_.read(1 << 16);
            pos_ = 0;
            if (buf_.isEmpty())
                return false;
        }
        c = static_cast<unsigned char>(buf_[pos_++]);
        ++column;
        if (c == '\n') {
            ++line;
            column = 0;
        }
        return true;
    }
    int line = 1;
    int column = 0;

private:
    QFile& f_;
    QByteArray buf_;
    qsizetype pos_ = 0;
};

}  // namespace

QString xmlEscape(const QString& text)
{
    QString out = text;
    for (const Ref& r : kRefs) {
        qsizetype from = 0;
        while ((from = out.indexOf(r.c, from)) >= 0) {
            out.replace(from, 1, r.ref);
            from += r.ref.size();
        }
    }
    return out;
}

QString xmlUnescape(const QString& text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        if (text[i] == QLatin1Char('&')) {
            bool done = false;
            for (const Ref& r : kRefs)
                if (QStringView(text).mid(i).startsWith(r.ref)) {
                    out += r.c;
                    i += r.ref.size();
                    done = true;
                    break;
                }
            if (done)
                continue;
        }
        out += text[i++];
    }
    return out;
}

XmlNode* XmlNode::addChild(const QString& c)
{
    auto n = std::make_unique<XmlNode>();
    n->caption = c;
    n->name = nameOf(c);
    n->parent = this;
    n->level = parent ? level + 1 : 0;
    children.push_back(std::move(n));
    return children.back().get();
}

QString xmlFormatMessage(const QString& content, int line, int column, bool placeKnown)
{
    QString m = kXmlFormatError;
    if (placeKnown)
        m += QStringLiteral("\r\n\r\n内容 > \"") + content + QStringLiteral("\"\r\n\r\n行 > ") + QString::number(line) +
             QStringLiteral("  位置 > ") + QString::number(column);
    return m;
}

QString xmlFileLine(const QString& path, int line)
{
    QFile f(path);
    if (line < 1 || !f.open(QIODevice::ReadOnly))
        return {};
    for (int i = 1; !f.atEnd(); ++i) {
        QByteArray l = f.readLine(1 << 20);
        if (i == line)
            return sjis::decode(trimmed(l)).trimmed();
    }
    return {};
}

QString TXMLTreeView::printedCaption(const QString& caption, const QString& value)
{
    return (caption + QString(26, QLatin1Char(' '))).left(26).append(value).left(255);
}

QString TXMLTreeView::parserLabel() const { return (MSXML ? kLibxml2ParserName : ParserName) + QStringLiteral(" 使用"); }

void TXMLTreeView::clear()
{
    root_.children.clear();
    nodeCount_ = 0;
    error_.clear();
    validity_.clear();
}

std::vector<const XmlNode*> TXMLTreeView::allNodes() const
{
    std::vector<const XmlNode*> out;
    std::function<void(const XmlNode&)> walk = [&](const XmlNode& n) {
        for (const auto& c : n.children) {
            out.push_back(c.get());
            walk(*c);
        }
    };
    walk(root_);
    return out;
}

void TXMLTreeView::setValue(XmlNode* node, const QString& value)
{
    if (!node || node == &root_)
        return;
    node->value = value;
    if (GamenPrint && !value.isEmpty())
        node->caption = printedCaption(node->caption, value);
}

void TXMLTreeView::fail(const QString& path, int line, int column, bool placeKnown, const QString& fallback)
{
    QString content;
    if (placeKnown) {
        content = xmlFileLine(path, line);
        if (content.isEmpty())
            content = fallback;
    }
    error_ = xmlFormatMessage(content, line, column, placeKnown);
}

bool TXMLTreeView::LoadFromFile(const QString& path, Messages* messages)
{
    clear();
    const bool ok = MSXML ? loadLibxml2(path) : loadOwn(path);
    if (!ok && messages) {
        messages->beep();
        messages->information(error_);
    }
    return ok;
}

bool TXMLTreeView::loadOwn(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error_ = kXmlFormatError;
        return false;
    }
    struct OpenTag {
        bool set = false;
        QByteArray text;
        int line = 0, column = 0;
    };
    std::array<OpenTag, kMaxXmlDepth + 2> records;
    std::array<XmlNode*, kMaxXmlDepth + 2> nodes{};
    nodes[0] = &root_;
    int depth = 0;
    QByteArray pending;
    ByteReader in(f);
    unsigned char c;

    auto deepestFail = [&] {
        for (int d = kMaxXmlDepth + 1; d >= 1; --d)
            if (records[d].set) {
                const QString name = nameOf(sjis::decode(records[d].text));
                fail(path, records[d].line, records[d].column, true, QStringLiteral("<") + name + QStringLiteral(">"));
                return false;
            }
        error_ = kXmlFormatError;
        return false;
    };
    auto addNode = [&](XmlNode* parent, const QByteArray& caption) -> XmlNode* {
        if (++nodeCount_ > kMaxXmlNodes)
            return nullptr;
        return parent->addChild(sjis::decode(caption));
    };

    // Every byte is read, the last one included: files of other programs may
    // end without a line break.
    while (in.get(c)) {
        if (c != '<') {
            if (c == '\t' || c == '\r')
                continue;
            // A line break inside a value is kept (as CR LF, as the fields store it).
            pending.append(static_cast<char>(c));
            if (sjis::isLeadByte(c) && in.get(c))
                pending.append(static_cast<char>(c));
            if (pending.size() > kMaxXmlTextBytes) {
                error_ = kXmlFormatError;
                return false;
            }
            continue;
        }
        QByteArray tag;
        int nest = 0;
        bool closed = false;
        char last = 0;
        while (in.get(c)) {
            if (c == '<') {
                ++nest;
                continue;
            }
            if (c == '>') {
                if (nest == 0) {
                    closed = true;
                    break;
                }
                --nest;
                continue;
            }
            if (c == '\t' || c == '\r' || c == '\n')
                continue;
            tag.append(static_cast<char>(c));
            last = static_cast<char>(c);
            if (sjis::isLeadByte(c) && in.get(c)) {
                tag.append(static_cast<char>(c));
                last = static_cast<char>(c);
            }
            if (tag.size() > kMaxXmlTextBytes) {
                error_ = kXmlFormatError;
                return false;
            }
        }
        if (!closed)
            break;  // the end of the file inside a tag: the tag is dropped
        tag = trimmed(tag);
        if (tag.startsWith('/')) {
            if (depth == 0) {
                // An end tag with nothing open.
                fail(path, in.line, in.column, true, sjis::decode(QByteArray("<") + tag + '>'));
                return false;
            }
            const QString name = sjis::decode(trimmed(tag.mid(1)));
            OpenTag& rec = records[depth];
            if (rec.set && nameOf(sjis::decode(rec.text)).compare(name, Qt::CaseInsensitive) == 0)
                rec = OpenTag{};
            QString value = xmlUnescape(sjis::decode(trimmed(pending)));
            value.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            setValue(nodes[depth], value);
            pending.clear();
            --depth;
        } else if (tag.startsWith('!') || tag.startsWith('?')) {
            // declaration, comment or processing instruction
        } else if (last == '/') {
            if (!addNode(nodes[depth], trimmed(tag.chopped(1)))) {
                error_ = kXmlFormatError;
                return false;
            }
        } else {
            OpenTag& rec = records[depth + 1];
            if (!rec.set)
                rec = OpenTag{true, tag, in.line, in.column};
            if (depth + 1 > kMaxXmlDepth)
                return deepestFail();
            XmlNode* n = addNode(nodes[depth], tag);
            if (!n) {
                error_ = kXmlFormatError;
                return false;
            }
            nodes[++depth] = n;
        }
    }
    if (depth != 0)
        return deepestFail();
    return true;
}

namespace {

void collectValidity(void* ctx, const char* msg, ...)
{
    auto* out = static_cast<QStringList*>(ctx);
    if (out->size() >= TXMLTreeView::kMaxValidityErrors)
        return;
    va_list ap;
    va_start(ap, msg);
    char buf[1024];
    std::vsnprintf(buf, sizeof buf, msg, ap);
    va_end(ap);
    const QString line = QString::fromUtf8(buf).trimmed();
    if (!line.isEmpty())
        out->append(line);
}

}  // namespace

void TXMLTreeView::validate(void* document)
{
    auto* doc = static_cast<xmlDocPtr>(document);
    xmlParserInputBufferPtr input =
        xmlParserInputBufferCreateMem(ValidationDtd.constData(), int(ValidationDtd.size()), XML_CHAR_ENCODING_NONE);
    xmlDtdPtr dtd = input ? xmlIOParseDTD(nullptr, input, XML_CHAR_ENCODING_NONE) : nullptr;
    if (!dtd) {
        validity_ << QStringLiteral("DTD を読めません");
        return;
    }
    xmlValidCtxtPtr v = xmlNewValidCtxt();
    v->userData = &validity_;
    v->error = collectValidity;
    v->warning = nullptr;
    if (!xmlValidateDtd(v, doc, dtd) && validity_.isEmpty())
        validity_ << QStringLiteral("DTD に合いません");
    xmlFreeValidCtxt(v);
    xmlFreeDtd(dtd);
}

bool TXMLTreeView::loadLibxml2(const QString& path)
{
    if (QFileInfo(path).size() > kMaxLibxml2FileBytes) {
        error_ = kXmlFormatError;
        return false;
    }
    registerShiftJisForLibxml2();
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        error_ = kXmlFormatError;
        return false;
    }
    const QByteArray file = QFile::encodeName(path);
    // A file that names no encoding is read as Shift_JIS, as our own parser
    // reads every file (libxml2 would take it for UTF-8).
    const char* encoding = "SHIFT_JIS";
    {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray start = f.read(512);
            const qsizetype end = start.indexOf("?>");
            if (start.startsWith("\xEF\xBB\xBF") || start.startsWith("\xFF\xFE") || start.startsWith("\xFE\xFF") ||
                (start.startsWith("<?xml") && end > 0 && start.left(end).contains("encoding")))
                encoding = nullptr;
        }
    }
    xmlDocPtr doc = xmlCtxtReadFile(ctxt, file.constData(), encoding,
                                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS);
    if (!doc || !ctxt->wellFormed) {
        const xmlError* e = xmlCtxtGetLastError(ctxt);
        if (e && e->line > 0)
            fail(path, e->line, e->int2, true, QString::fromUtf8(e->message ? e->message : "").trimmed());
        else
            error_ = kXmlFormatError;
        if (doc)
            xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        return false;
    }
    bool ok = true;
    std::function<void(xmlNodePtr, XmlNode*, int)> walk = [&](xmlNodePtr first, XmlNode* parent, int depth) {
        for (xmlNodePtr n = first; n && ok; n = n->next) {
            if (n->type == XML_ELEMENT_NODE) {
                if (depth + 1 > kMaxXmlDepth || ++nodeCount_ > kMaxXmlNodes) {
                    ok = false;
                    error_ = kXmlFormatError;
                    if (depth + 1 > kMaxXmlDepth)
                        fail(path, xmlGetLineNo(n), 0, true,
                             QStringLiteral("<") + QString::fromUtf8(reinterpret_cast<const char*>(n->name)) +
                                 QStringLiteral(">"));
                    return;
                }
                QString caption = QString::fromUtf8(reinterpret_cast<const char*>(n->name));
                if (GamenPrint)
                    for (xmlAttrPtr a = n->properties; a; a = a->next) {
                        xmlChar* v = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
                        caption += QStringLiteral(" ") + QString::fromUtf8(reinterpret_cast<const char*>(a->name)) +
                                   QStringLiteral("=\"") + QString::fromUtf8(reinterpret_cast<const char*>(v)) +
                                   QStringLiteral("\"");
                        xmlFree(v);
                    }
                XmlNode* node = parent->addChild(caption);
                node->name = QString::fromUtf8(reinterpret_cast<const char*>(n->name));
                walk(n->children, node, depth + 1);
            } else if ((n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) && parent != &root_) {
                QString v = QString::fromUtf8(reinterpret_cast<const char*>(n->content));
                if (v.trimmed().isEmpty() && !parent->children.empty())
                    continue;
                if (v.startsWith(QLatin1Char('\r')) || v.startsWith(QLatin1Char('\n')))
                    v.remove(0, 1);
                if (v.endsWith(QLatin1Char('\r')) || v.endsWith(QLatin1Char('\n')))
                    v.chop(1);
                v.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
                setValue(parent, v);
            }
        }
    };
    walk(doc->children, &root_, 0);
    if (ok && !ValidationDtd.isEmpty())
        validate(doc);
    xmlFreeDoc(doc);
    xmlFreeParserCtxt(ctxt);
    return ok;
}

}  // namespace zb
