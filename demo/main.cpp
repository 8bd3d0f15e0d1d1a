// The screen transitions demo: four screens in a ring, random transitions.
#include <cstdlib>

#include "demo.hpp"

// exit() rather than return: in a browser the status returned from main is
// lost once the game loop has given control back to the page.
int main() { std::exit(DEMOMAIN()); }
