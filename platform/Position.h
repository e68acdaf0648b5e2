#pragma once

// MFC's opaque iteration cursor: null before the first and after the last
// element. It points into the container that produced it and is valid until
// that element is removed.
struct __POSITION {};
using POSITION = __POSITION*;
