// Process entry. The application shell takes over at once; see app/.
int main(int, char**) { return 0; }
