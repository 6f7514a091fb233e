#include "windowtesting.h"

// The one main() of the window tests. It is a member of its own in the windowtesting
// library, so that a test with a main() of its own links without it.
int main(int argc, char **argv)
{
    return bbt::windowtest::RunWindowTests(argc, argv);
}
