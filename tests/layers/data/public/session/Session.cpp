#include "analysis/Public.h"
