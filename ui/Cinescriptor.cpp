#include "ui/Cinescriptor.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {}

TForm1::~TForm1() = default;
