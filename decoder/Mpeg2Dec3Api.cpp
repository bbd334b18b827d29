#include "decoder/Mpeg2Dec3Api.h"
