// The deck's loudness options, a small dialog beside the preferences:
// auto-gain on or off and its target. Stored as the deck's own preferences
// and applied to the deck at once.
#pragma once

class QWidget;
class TVySystemTAG;

// Modal; changes nothing when cancelled.
void ShowLoudnessPreferences(QWidget* parent, TVySystemTAG& deck);
