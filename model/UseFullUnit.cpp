#include "model/UseFullUnit.h"
