// The floor of a whole-process comparison: a C++ program that starts, links what xinfo links, and exits.
int main() { return 0; }
