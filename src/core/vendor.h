#pragma once
// The vendor's addresses, in one place.
#include <QString>

namespace vendor {
inline const QString kSupportEmail = QStringLiteral("support@example.com");
inline const QString kContactPage = QStringLiteral("https://www.example.com/contact");
inline const QString kHomePage = QStringLiteral("https://www.example.com/");
}  // namespace vendor
