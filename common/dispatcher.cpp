// removed once the dispatcher lands
