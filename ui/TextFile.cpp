#include "ui/TextFile.h"

#include <algorithm>
#include <array>

#include <QTextDocument>

namespace zantrel {

namespace {

// Windows-1252 bytes 0x80..0x9F; zero marks the five undefined codes.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

}  // namespace

QChar FromWindows1252(unsigned char code) {
    if (code < 0x80 || code >= 0xA0) return QChar(char16_t(code));
    const char16_t mapped = HighControls[code - 0x80];
    return QChar(mapped != 0 ? mapped : char16_t(code));
}

int Windows1252Code(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < int(HighControls.size()); ++i) {
        const char16_t mapped = HighControls[std::size_t(i)];
        if (mapped == u || (mapped == 0 && u == 0x80 + i)) return 0x80 + i;
    }
    return -1;
}

QString DecodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) text[i] = FromWindows1252(uchar(bytes[i]));
    return text;
}

bool IsValidUtf8(const QByteArray& bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = s[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int more;
        char32_t code, least;
        if ((b & 0xE0) == 0xC0) {
            more = 1, code = b & 0x1F, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2, code = b & 0x0F, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3, code = b & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + more >= n) return false;  // cut short by the end of the file
        for (int k = 1; k <= more; ++k) {
            const unsigned char t = s[i + k];
            if ((t & 0xC0) != 0x80) return false;
            code = (code << 6) | (t & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += 1 + more;
    }
    return true;
}

TextFileContent DecodeTextFile(const QByteArray& bytes) {
    TextFileContent content;
    QString raw;
    const bool hasHighByte =
        std::any_of(bytes.begin(), bytes.end(), [](char b) { return uchar(b) >= 0x80; });
    if (hasHighByte && IsValidUtf8(bytes)) {
        if (bytes.startsWith(Utf8Bom)) {
            content.Encoding = TextEncoding::Utf8WithBom;
            raw = QString::fromUtf8(bytes.mid(3));
        } else {
            content.Encoding = TextEncoding::Utf8;
            raw = QString::fromUtf8(bytes);
        }
    } else {
        content.Encoding = TextEncoding::Windows1252;
        raw = DecodeWindows1252(bytes);
    }

    QString& text = content.Text;
    text.reserve(raw.size() + 1);
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] == u'\r') {
            if (i + 1 < raw.size() && raw[i + 1] == u'\n') ++i;
            text += u'\n';
        } else {
            text += raw[i];
        }
    }
    if (!text.isEmpty() && !text.endsWith(u'\n')) text += u'\n';
    return content;
}

QByteArray EncodeTextFile(const QString& text, TextEncoding& encoding) {
    QString lines;
    lines.reserve(text.size() + text.size() / 32 + 2);
    for (const QChar c : text) {
        if (c == u'\n') lines += u'\r';
        lines += c;
    }
    if (!text.isEmpty() && !text.endsWith(u'\n')) lines += QStringLiteral("\r\n");

    if (encoding == TextEncoding::Windows1252) {
        QByteArray bytes(lines.size(), Qt::Uninitialized);
        bool complete = true;
        for (qsizetype i = 0; i < lines.size() && complete; ++i) {
            const int code = Windows1252Code(lines[i]);
            complete = code >= 0;
            bytes[i] = char(code);
        }
        if (complete) return bytes;
        encoding = TextEncoding::Utf8;
    }
    QByteArray bytes = lines.toUtf8();
    if (encoding == TextEncoding::Utf8WithBom) bytes.prepend(Utf8Bom);
    return bytes;
}

QString PlainText(const QTextDocument& document) {
    QString text = document.toRawText();
    for (QChar& c : text) {
        // Blocks are joined by U+2029; Shift+Enter puts a U+2028 inside a block.
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
    }
    return text;
}

}  // namespace zantrel
