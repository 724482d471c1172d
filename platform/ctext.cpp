// Text between the program's C strings and Qt's: UTF-8 where it is valid,
// else the 8-bit code page of the original program, read as Latin-1; and
// back into the program's fixed buffers without overrunning them.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <cstring>

#include "platform/userint_internal.h"

namespace kui {

QString FromC(const char* text, int* was8bit) {
    if (was8bit) *was8bit = 0;
    if (!text) return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(text, static_cast<qsizetype>(std::strlen(text))));
    if (!utf8.hasError()) return s;
    if (was8bit) *was8bit = 1;
    return QString::fromLatin1(text);
}

int CopyOut(const QString& text, char* buffer, int size, int as8bit) {
    if (!buffer || size < 1) return -1;
    QByteArray bytes;
    bool fits8bit = as8bit != 0;
    if (fits8bit)
        for (QChar ch : text)
            if (ch.unicode() > 0xFF) {
                fits8bit = false;
                break;
            }
    bytes = fits8bit ? text.toLatin1() : text.toUtf8();
    qsizetype n = bytes.size();
    if (n > size - 1) {
        n = size - 1;
        // Do not leave half a UTF-8 sequence at the end.
        if (!fits8bit)
            while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(buffer, bytes.constData(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace kui
