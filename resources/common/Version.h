#pragma once
// One version for every program of the product.

#define RAVELIN_VERSION_MAJOR 1
#define RAVELIN_VERSION_MINOR 0
#define RAVELIN_VERSION_PATCH 0
#define RAVELIN_VERSION_TEXT "1.0.0"
#define RAVELIN_COMPANY "Morvane"
#define RAVELIN_PRODUCT "Ravelin"
#define RAVELIN_COPYRIGHT "Copyright (C) 2026 Morvane"
