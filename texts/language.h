#pragma once

namespace tv {

// The values are those stored as `languageIndex` in the settings file.
enum class Language { German = 1, English = 2 };

}  // namespace tv
