#include "ui/Cinescriptor.h"

void TForm1::BuildResizePage() {}

void TForm1::SetUpResizePage() {}

void TForm1::RefreshResizePage() {}

