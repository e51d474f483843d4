#pragma once

// The window places every widget at fixed pixel positions measured for an
// 8-point sans with Arial's metrics. Desktop fonts on Linux are wider and would
// cut captions off, so the whole application gets such a font where one is
// installed, and the closest available sans otherwise.
void useFittingFont();
