#include "ui/Cinescriptor.h"

void TForm1::BuildScriptsPage() {}

void TForm1::SetUpScriptsPage() {}

void TForm1::RefreshScriptsPage() {}

void TForm1::UpdateCreditsMode() {}

