#include "analysis/Public.h"
#include "analysis/Steps.h"
