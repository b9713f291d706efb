#pragma once

// Background, text background and text colour of the list view for the
// theme `dark` (1 = dark).
void ApplyThemeColours(int dark);
