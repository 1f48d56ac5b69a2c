// The GTK/WebKit implementations of the graphical platform interfaces live in this folder.
