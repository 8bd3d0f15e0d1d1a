// Test support library; the helpers live in the headers.
#include "support/screen.hpp"
