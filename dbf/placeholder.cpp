// removed once the layer lands
