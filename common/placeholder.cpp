// removed once the shell lands
