Sub Work()
  x = 1
  y = x / 0
End Sub
Work
