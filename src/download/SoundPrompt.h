#pragma once

#include "SoundPlayer.h"

#include <QString>

namespace quenlit {

// The prompts: 101 a web page was saved, 102 the list is done, 103 a download failed.
enum class SoundPrompt { WebPage = 101, ListDone = 102, Failed = 103 };

// Writes the prompt into the data folder on first use and plays it; a machine without
// sound plays nothing.
void PlaySoundPrompt(SoundPlayer& player, const QString& dataFolder, SoundPrompt prompt);

} // namespace quenlit
