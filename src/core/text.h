#pragma once
// Small text rules shared by every subsystem.
#include <QString>

namespace zb {

// The leading integer of a text, 0 when it has none: "1.工事写真帳" gives 1,
// " -12 m" gives -12. Full-width digits count as digits. Values beyond the
// 32-bit range are clamped.
int leadingInteger(QStringView text);

// Characters refused in job and file names.
inline constexpr char16_t kRefusedNameChars[] = u"?*\\\",.;:|<>/";
bool isRefusedNameChar(QChar c);
// A name with the refused characters removed and the blanks around it trimmed.
QString applyNameRule(QStringView name);

// Text joined from lines with CR LF, as text files of this system are written.
inline constexpr char kCrLf[] = "\r\n";

}  // namespace zb
