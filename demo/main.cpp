// The screen transitions demo: four screens in a ring, random transitions.
#include "demo.hpp"

int main() { return DEMOMAIN(); }
