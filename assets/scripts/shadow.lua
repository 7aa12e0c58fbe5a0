-- The fade between screens (CSWithSh): a "Shadow" window over the whole
-- display. Its modal window takes the same name, so that PopModal('sShadow')
-- closes it; the shadow itself darkens or lifts and changes the screens.
SetWindowName("sShadow")
Shadow{ name = "sShadow", x = 0, y = 0, w = kMax, h = kMax }()
