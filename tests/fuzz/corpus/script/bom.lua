gReturnValue = [[long
string]] -- comment
