#pragma once

#include <QByteArray>
#include <QString>

// A header value as mail and HTTP carry it: plain where it is ASCII, an RFC 2047 encoded word
// (UTF-8, base64) where it is not.
inline QByteArray headerText(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\r' || c == '\n')
            return "=?UTF-8?B?" + utf8.toBase64() + "?=";
    }
    return utf8;
}
