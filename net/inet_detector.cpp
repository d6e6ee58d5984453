// TINetDetector is header-only for now; this unit keeps the library's shape.
#include "net/inet_detector.h"
