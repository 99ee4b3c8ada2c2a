#pragma once

#include <QByteArray>
#include <QString>

// Stateless conversions; safe on any thread.
namespace marrowfin {

// Every code point but ASCII letters, digits and "-", ".", "_", "~" written as its UTF-8 bytes in "%XX" form
// (upper-case hex). Used for the values of posted forms: "a b&c=d/e" -> "a%20b%26c%3Dd%2Fe".
[[nodiscard]] QString stringWithPercentEscape(const QString& text);

// Standard Base64 (RFC 4648 section 4) with "=" padding and no line breaks; empty bytes give "".
[[nodiscard]] QString base64Encoding(const QByteArray& bytes);

// Decodes the named XHTML 1.0 entities (plus "&apos;") and numeric ones (&#65; &#x42;, values 1..65534) once;
// anything else stays as written. A null text gives a null text.
[[nodiscard]] QString gtm_stringByUnescapingFromHTML(const QString& text);

// Removes every "<...>" tag (at least one character between the brackets, line breaks included).
[[nodiscard]] QString stringByStrippingHTML(const QString& text);

} // namespace marrowfin
