#include "ui/Cinescriptor.h"

void TForm1::BuildCropPage() {}

void TForm1::SetUpCropPage() {}

void TForm1::LoadCropSpinners() {}

void TForm1::RefreshCropPage() {}

