#include "ui/Cinescriptor.h"

void TForm1::BuildSequencePage() {}

void TForm1::SetUpSequencePage() {}

void TForm1::MarkRangeTicks() {}

void TForm1::RefreshSequencePage() {}

