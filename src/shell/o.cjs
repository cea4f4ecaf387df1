/* The main window's skin: a Qt style sheet read at start-up when it stands beside the program
   as x/o.cjs. Remove the file for the plain white window.
   Every rule that sets a background sets the text colour too: under a dark desktop palette the
   text colours would otherwise be light, on these light backgrounds. */

QPushButton {
    color: #1f3a47;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fdfdfb, stop: 1 #dde3e6);
    border: 1px solid #7b8d96;
    border-radius: 4px;
    padding: 2px 10px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #e8eef1);
    border-color: #2f5d73;
}

QPushButton:pressed {
    background-color: #cfd8dc;
}

QPushButton:focus {
    border: 2px solid #2f5d73;
}

QTreeView {
    color: #1b2a31;
    background-color: #ffffff;
    alternate-background-color: #f5f7f8;
    border: 1px solid #9aa8b0;
    selection-background-color: #2f5d73;
    selection-color: #ffffff;
}

QHeaderView {
    color: #1f3a47;
    background-color: #e4e9ec;
}

QHeaderView::section {
    background-color: #e4e9ec;
    color: #1f3a47;
    border: none;
    border-right: 1px solid #c3cdd2;
    border-bottom: 1px solid #9aa8b0;
    padding: 3px 6px;
}

QLineEdit {
    color: #1b2a31;
    background-color: #ffffff;
    border: 1px solid #7b8d96;
    border-radius: 3px;
    padding: 1px 4px;
    selection-background-color: #2f5d73;
    selection-color: #ffffff;
}
