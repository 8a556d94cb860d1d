#include "MpVector.h"

MpArrayPointerObject::~MpArrayPointerObject() {}
