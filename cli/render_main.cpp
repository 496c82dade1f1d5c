// Placeholder until the headless renderer lands.
int main() { return 0; }
