#include "sgml/KtfToSgmlListener.h"

KtfToSgmlListener::~KtfToSgmlListener() = default;
