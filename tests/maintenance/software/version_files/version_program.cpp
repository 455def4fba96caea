// A program that only carries a version resource.
int main() { return 0; }
