#pragma once

namespace tarn {

inline constexpr const char* kAppTitle = "Tarn MP3 Encoder";
inline constexpr const char* kAppVersionCaption = "Tarn MP3 Encoder v2.12";
inline constexpr const char* kHelpFileName = "tarnme.chm";
inline constexpr const char* kContactEmail = "tarn@example.org";
inline constexpr const char* kWebSite = "https://tarn.example.org/";
// The name of the installed desktop entry, without ".desktop".
inline constexpr const char* kDesktopId = "org.example.tarn.tarnme";

} // namespace tarn
