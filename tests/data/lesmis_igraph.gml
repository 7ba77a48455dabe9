Creator "igraph, by tests/data/make_lesmis.py"
Version 1
graph
[
  directed 0
  node
  [
    id 0
    name "Napoleon"
  ]
  node
  [
    id 1
    name "Myriel"
  ]
  node
  [
    id 2
    name "MlleBaptistine"
  ]
  node
  [
    id 3
    name "MmeMagloire"
  ]
  node
  [
    id 4
    name "CountessDeLo"
  ]
  node
  [
    id 5
    name "Geborand"
  ]
  node
  [
    id 6
    name "Champtercier"
  ]
  node
  [
    id 7
    name "Cravatte"
  ]
  node
  [
    id 8
    name "Count"
  ]
  node
  [
    id 9
    name "OldMan"
  ]
  node
  [
    id 10
    name "Valjean"
  ]
  node
  [
    id 11
    name "Labarre"
  ]
  node
  [
    id 12
    name "Marguerite"
  ]
  node
  [
    id 13
    name "MmeDeR"
  ]
  node
  [
    id 14
    name "Isabeau"
  ]
  node
  [
    id 15
    name "Gervais"
  ]
  node
  [
    id 16
    name "Listolier"
  ]
  node
  [
    id 17
    name "Tholomyes"
  ]
  node
  [
    id 18
    name "Fameuil"
  ]
  node
  [
    id 19
    name "Blacheville"
  ]
  node
  [
    id 20
    name "Favourite"
  ]
  node
  [
    id 21
    name "Dahlia"
  ]
  node
  [
    id 22
    name "Zephine"
  ]
  node
  [
    id 23
    name "Fantine"
  ]
  node
  [
    id 24
    name "MmeThenardier"
  ]
  node
  [
    id 25
    name "Thenardier"
  ]
  node
  [
    id 26
    name "Cosette"
  ]
  node
  [
    id 27
    name "Javert"
  ]
  node
  [
    id 28
    name "Fauchelevent"
  ]
  node
  [
    id 29
    name "Bamatabois"
  ]
  node
  [
    id 30
    name "Perpetue"
  ]
  node
  [
    id 31
    name "Simplice"
  ]
  node
  [
    id 32
    name "Scaufflaire"
  ]
  node
  [
    id 33
    name "Woman1"
  ]
  node
  [
    id 34
    name "Judge"
  ]
  node
  [
    id 35
    name "Champmathieu"
  ]
  node
  [
    id 36
    name "Brevet"
  ]
  node
  [
    id 37
    name "Chenildieu"
  ]
  node
  [
    id 38
    name "Cochepaille"
  ]
  node
  [
    id 39
    name "Pontmercy"
  ]
  node
  [
    id 40
    name "Boulatruelle"
  ]
  node
  [
    id 41
    name "Eponine"
  ]
  node
  [
    id 42
    name "Anzelma"
  ]
  node
  [
    id 43
    name "Woman2"
  ]
  node
  [
    id 44
    name "MotherInnocent"
  ]
  node
  [
    id 45
    name "Gribier"
  ]
  node
  [
    id 46
    name "MmeBurgon"
  ]
  node
  [
    id 47
    name "Jondrette"
  ]
  node
  [
    id 48
    name "Gavroche"
  ]
  node
  [
    id 49
    name "Gillenormand"
  ]
  node
  [
    id 50
    name "Magnon"
  ]
  node
  [
    id 51
    name "MlleGillenormand"
  ]
  node
  [
    id 52
    name "MmePontmercy"
  ]
  node
  [
    id 53
    name "MlleVaubois"
  ]
  node
  [
    id 54
    name "LtGillenormand"
  ]
  node
  [
    id 55
    name "Marius"
  ]
  node
  [
    id 56
    name "BaronessT"
  ]
  node
  [
    id 57
    name "Mabeuf"
  ]
  node
  [
    id 58
    name "Enjolras"
  ]
  node
  [
    id 59
    name "Combeferre"
  ]
  node
  [
    id 60
    name "Prouvaire"
  ]
  node
  [
    id 61
    name "Feuilly"
  ]
  node
  [
    id 62
    name "Courfeyrac"
  ]
  node
  [
    id 63
    name "Bahorel"
  ]
  node
  [
    id 64
    name "Bossuet"
  ]
  node
  [
    id 65
    name "Joly"
  ]
  node
  [
    id 66
    name "Grantaire"
  ]
  node
  [
    id 67
    name "MotherPlutarch"
  ]
  node
  [
    id 68
    name "Gueulemer"
  ]
  node
  [
    id 69
    name "Babet"
  ]
  node
  [
    id 70
    name "Claquesous"
  ]
  node
  [
    id 71
    name "Montparnasse"
  ]
  node
  [
    id 72
    name "Toussaint"
  ]
  node
  [
    id 73
    name "Child1"
  ]
  node
  [
    id 74
    name "Child2"
  ]
  node
  [
    id 75
    name "Brujon"
  ]
  node
  [
    id 76
    name "MmeHucheloup"
  ]
  edge
  [
    source 1
    target 0
    weight 1
  ]
  edge
  [
    source 2
    target 1
    weight 8
  ]
  edge
  [
    source 3
    target 1
    weight 10
  ]
  edge
  [
    source 4
    target 1
    weight 1
  ]
  edge
  [
    source 5
    target 1
    weight 1
  ]
  edge
  [
    source 6
    target 1
    weight 1
  ]
  edge
  [
    source 7
    target 1
    weight 1
  ]
  edge
  [
    source 8
    target 1
    weight 2
  ]
  edge
  [
    source 9
    target 1
    weight 1
  ]
  edge
  [
    source 10
    target 1
    weight 5
  ]
  edge
  [
    source 3
    target 2
    weight 6
  ]
  edge
  [
    source 10
    target 2
    weight 3
  ]
  edge
  [
    source 10
    target 3
    weight 3
  ]
  edge
  [
    source 11
    target 10
    weight 1
  ]
  edge
  [
    source 12
    target 10
    weight 1
  ]
  edge
  [
    source 13
    target 10
    weight 1
  ]
  edge
  [
    source 14
    target 10
    weight 1
  ]
  edge
  [
    source 15
    target 10
    weight 1
  ]
  edge
  [
    source 23
    target 10
    weight 9
  ]
  edge
  [
    source 24
    target 10
    weight 7
  ]
  edge
  [
    source 25
    target 10
    weight 12
  ]
  edge
  [
    source 26
    target 10
    weight 31
  ]
  edge
  [
    source 27
    target 10
    weight 17
  ]
  edge
  [
    source 28
    target 10
    weight 8
  ]
  edge
  [
    source 29
    target 10
    weight 2
  ]
  edge
  [
    source 31
    target 10
    weight 3
  ]
  edge
  [
    source 32
    target 10
    weight 1
  ]
  edge
  [
    source 33
    target 10
    weight 2
  ]
  edge
  [
    source 34
    target 10
    weight 3
  ]
  edge
  [
    source 35
    target 10
    weight 3
  ]
  edge
  [
    source 36
    target 10
    weight 2
  ]
  edge
  [
    source 37
    target 10
    weight 2
  ]
  edge
  [
    source 38
    target 10
    weight 2
  ]
  edge
  [
    source 43
    target 10
    weight 3
  ]
  edge
  [
    source 44
    target 10
    weight 1
  ]
  edge
  [
    source 48
    target 10
    weight 1
  ]
  edge
  [
    source 49
    target 10
    weight 2
  ]
  edge
  [
    source 51
    target 10
    weight 2
  ]
  edge
  [
    source 55
    target 10
    weight 19
  ]
  edge
  [
    source 58
    target 10
    weight 4
  ]
  edge
  [
    source 64
    target 10
    weight 1
  ]
  edge
  [
    source 68
    target 10
    weight 1
  ]
  edge
  [
    source 69
    target 10
    weight 1
  ]
  edge
  [
    source 70
    target 10
    weight 1
  ]
  edge
  [
    source 71
    target 10
    weight 1
  ]
  edge
  [
    source 72
    target 10
    weight 1
  ]
  edge
  [
    source 23
    target 12
    weight 2
  ]
  edge
  [
    source 17
    target 16
    weight 4
  ]
  edge
  [
    source 18
    target 16
    weight 4
  ]
  edge
  [
    source 19
    target 16
    weight 4
  ]
  edge
  [
    source 20
    target 16
    weight 3
  ]
  edge
  [
    source 21
    target 16
    weight 3
  ]
  edge
  [
    source 22
    target 16
    weight 3
  ]
  edge
  [
    source 23
    target 16
    weight 3
  ]
  edge
  [
    source 18
    target 17
    weight 4
  ]
  edge
  [
    source 19
    target 17
    weight 4
  ]
  edge
  [
    source 20
    target 17
    weight 3
  ]
  edge
  [
    source 21
    target 17
    weight 3
  ]
  edge
  [
    source 22
    target 17
    weight 3
  ]
  edge
  [
    source 23
    target 17
    weight 3
  ]
  edge
  [
    source 26
    target 17
    weight 1
  ]
  edge
  [
    source 55
    target 17
    weight 1
  ]
  edge
  [
    source 19
    target 18
    weight 4
  ]
  edge
  [
    source 20
    target 18
    weight 3
  ]
  edge
  [
    source 21
    target 18
    weight 3
  ]
  edge
  [
    source 22
    target 18
    weight 3
  ]
  edge
  [
    source 23
    target 18
    weight 3
  ]
  edge
  [
    source 20
    target 19
    weight 4
  ]
  edge
  [
    source 21
    target 19
    weight 3
  ]
  edge
  [
    source 22
    target 19
    weight 3
  ]
  edge
  [
    source 23
    target 19
    weight 3
  ]
  edge
  [
    source 21
    target 20
    weight 5
  ]
  edge
  [
    source 22
    target 20
    weight 4
  ]
  edge
  [
    source 23
    target 20
    weight 4
  ]
  edge
  [
    source 22
    target 21
    weight 4
  ]
  edge
  [
    source 23
    target 21
    weight 4
  ]
  edge
  [
    source 23
    target 22
    weight 4
  ]
  edge
  [
    source 24
    target 23
    weight 2
  ]
  edge
  [
    source 25
    target 23
    weight 1
  ]
  edge
  [
    source 27
    target 23
    weight 5
  ]
  edge
  [
    source 29
    target 23
    weight 1
  ]
  edge
  [
    source 30
    target 23
    weight 1
  ]
  edge
  [
    source 31
    target 23
    weight 2
  ]
  edge
  [
    source 25
    target 24
    weight 13
  ]
  edge
  [
    source 26
    target 24
    weight 4
  ]
  edge
  [
    source 27
    target 24
    weight 1
  ]
  edge
  [
    source 41
    target 24
    weight 2
  ]
  edge
  [
    source 42
    target 24
    weight 1
  ]
  edge
  [
    source 50
    target 24
    weight 1
  ]
  edge
  [
    source 68
    target 24
    weight 1
  ]
  edge
  [
    source 69
    target 24
    weight 1
  ]
  edge
  [
    source 70
    target 24
    weight 1
  ]
  edge
  [
    source 26
    target 25
    weight 1
  ]
  edge
  [
    source 27
    target 25
    weight 5
  ]
  edge
  [
    source 39
    target 25
    weight 1
  ]
  edge
  [
    source 40
    target 25
    weight 1
  ]
  edge
  [
    source 41
    target 25
    weight 3
  ]
  edge
  [
    source 42
    target 25
    weight 2
  ]
  edge
  [
    source 48
    target 25
    weight 1
  ]
  edge
  [
    source 55
    target 25
    weight 2
  ]
  edge
  [
    source 68
    target 25
    weight 5
  ]
  edge
  [
    source 69
    target 25
    weight 6
  ]
  edge
  [
    source 70
    target 25
    weight 4
  ]
  edge
  [
    source 71
    target 25
    weight 1
  ]
  edge
  [
    source 75
    target 25
    weight 3
  ]
  edge
  [
    source 27
    target 26
    weight 1
  ]
  edge
  [
    source 43
    target 26
    weight 1
  ]
  edge
  [
    source 49
    target 26
    weight 3
  ]
  edge
  [
    source 51
    target 26
    weight 2
  ]
  edge
  [
    source 54
    target 26
    weight 1
  ]
  edge
  [
    source 55
    target 26
    weight 21
  ]
  edge
  [
    source 72
    target 26
    weight 2
  ]
  edge
  [
    source 28
    target 27
    weight 1
  ]
  edge
  [
    source 29
    target 27
    weight 1
  ]
  edge
  [
    source 31
    target 27
    weight 1
  ]
  edge
  [
    source 33
    target 27
    weight 1
  ]
  edge
  [
    source 43
    target 27
    weight 1
  ]
  edge
  [
    source 48
    target 27
    weight 1
  ]
  edge
  [
    source 58
    target 27
    weight 6
  ]
  edge
  [
    source 68
    target 27
    weight 1
  ]
  edge
  [
    source 69
    target 27
    weight 2
  ]
  edge
  [
    source 70
    target 27
    weight 1
  ]
  edge
  [
    source 71
    target 27
    weight 1
  ]
  edge
  [
    source 72
    target 27
    weight 1
  ]
  edge
  [
    source 44
    target 28
    weight 3
  ]
  edge
  [
    source 45
    target 28
    weight 2
  ]
  edge
  [
    source 34
    target 29
    weight 2
  ]
  edge
  [
    source 35
    target 29
    weight 2
  ]
  edge
  [
    source 36
    target 29
    weight 1
  ]
  edge
  [
    source 37
    target 29
    weight 1
  ]
  edge
  [
    source 38
    target 29
    weight 1
  ]
  edge
  [
    source 31
    target 30
    weight 2
  ]
  edge
  [
    source 35
    target 34
    weight 3
  ]
  edge
  [
    source 36
    target 34
    weight 2
  ]
  edge
  [
    source 37
    target 34
    weight 2
  ]
  edge
  [
    source 38
    target 34
    weight 2
  ]
  edge
  [
    source 36
    target 35
    weight 2
  ]
  edge
  [
    source 37
    target 35
    weight 2
  ]
  edge
  [
    source 38
    target 35
    weight 2
  ]
  edge
  [
    source 37
    target 36
    weight 2
  ]
  edge
  [
    source 38
    target 36
    weight 2
  ]
  edge
  [
    source 38
    target 37
    weight 2
  ]
  edge
  [
    source 52
    target 39
    weight 1
  ]
  edge
  [
    source 55
    target 39
    weight 1
  ]
  edge
  [
    source 42
    target 41
    weight 2
  ]
  edge
  [
    source 55
    target 41
    weight 5
  ]
  edge
  [
    source 57
    target 41
    weight 1
  ]
  edge
  [
    source 62
    target 41
    weight 1
  ]
  edge
  [
    source 68
    target 41
    weight 1
  ]
  edge
  [
    source 69
    target 41
    weight 1
  ]
  edge
  [
    source 70
    target 41
    weight 1
  ]
  edge
  [
    source 71
    target 41
    weight 1
  ]
  edge
  [
    source 75
    target 41
    weight 1
  ]
  edge
  [
    source 47
    target 46
    weight 1
  ]
  edge
  [
    source 48
    target 46
    weight 2
  ]
  edge
  [
    source 55
    target 48
    weight 4
  ]
  edge
  [
    source 57
    target 48
    weight 1
  ]
  edge
  [
    source 58
    target 48
    weight 7
  ]
  edge
  [
    source 59
    target 48
    weight 6
  ]
  edge
  [
    source 60
    target 48
    weight 1
  ]
  edge
  [
    source 61
    target 48
    weight 2
  ]
  edge
  [
    source 62
    target 48
    weight 7
  ]
  edge
  [
    source 63
    target 48
    weight 5
  ]
  edge
  [
    source 64
    target 48
    weight 5
  ]
  edge
  [
    source 65
    target 48
    weight 3
  ]
  edge
  [
    source 66
    target 48
    weight 1
  ]
  edge
  [
    source 68
    target 48
    weight 1
  ]
  edge
  [
    source 69
    target 48
    weight 1
  ]
  edge
  [
    source 71
    target 48
    weight 1
  ]
  edge
  [
    source 73
    target 48
    weight 2
  ]
  edge
  [
    source 74
    target 48
    weight 2
  ]
  edge
  [
    source 75
    target 48
    weight 1
  ]
  edge
  [
    source 76
    target 48
    weight 1
  ]
  edge
  [
    source 50
    target 49
    weight 1
  ]
  edge
  [
    source 51
    target 49
    weight 9
  ]
  edge
  [
    source 54
    target 49
    weight 1
  ]
  edge
  [
    source 55
    target 49
    weight 12
  ]
  edge
  [
    source 56
    target 49
    weight 1
  ]
  edge
  [
    source 52
    target 51
    weight 1
  ]
  edge
  [
    source 53
    target 51
    weight 1
  ]
  edge
  [
    source 54
    target 51
    weight 2
  ]
  edge
  [
    source 55
    target 51
    weight 6
  ]
  edge
  [
    source 55
    target 54
    weight 1
  ]
  edge
  [
    source 56
    target 55
    weight 1
  ]
  edge
  [
    source 57
    target 55
    weight 1
  ]
  edge
  [
    source 58
    target 55
    weight 7
  ]
  edge
  [
    source 59
    target 55
    weight 5
  ]
  edge
  [
    source 61
    target 55
    weight 1
  ]
  edge
  [
    source 62
    target 55
    weight 9
  ]
  edge
  [
    source 63
    target 55
    weight 1
  ]
  edge
  [
    source 64
    target 55
    weight 5
  ]
  edge
  [
    source 65
    target 55
    weight 2
  ]
  edge
  [
    source 58
    target 57
    weight 1
  ]
  edge
  [
    source 59
    target 57
    weight 2
  ]
  edge
  [
    source 61
    target 57
    weight 1
  ]
  edge
  [
    source 62
    target 57
    weight 2
  ]
  edge
  [
    source 63
    target 57
    weight 2
  ]
  edge
  [
    source 64
    target 57
    weight 1
  ]
  edge
  [
    source 65
    target 57
    weight 1
  ]
  edge
  [
    source 67
    target 57
    weight 3
  ]
  edge
  [
    source 59
    target 58
    weight 15
  ]
  edge
  [
    source 60
    target 58
    weight 4
  ]
  edge
  [
    source 61
    target 58
    weight 6
  ]
  edge
  [
    source 62
    target 58
    weight 17
  ]
  edge
  [
    source 63
    target 58
    weight 4
  ]
  edge
  [
    source 64
    target 58
    weight 10
  ]
  edge
  [
    source 65
    target 58
    weight 5
  ]
  edge
  [
    source 66
    target 58
    weight 3
  ]
  edge
  [
    source 70
    target 58
    weight 1
  ]
  edge
  [
    source 76
    target 58
    weight 1
  ]
  edge
  [
    source 60
    target 59
    weight 2
  ]
  edge
  [
    source 61
    target 59
    weight 5
  ]
  edge
  [
    source 62
    target 59
    weight 13
  ]
  edge
  [
    source 63
    target 59
    weight 5
  ]
  edge
  [
    source 64
    target 59
    weight 9
  ]
  edge
  [
    source 65
    target 59
    weight 5
  ]
  edge
  [
    source 66
    target 59
    weight 1
  ]
  edge
  [
    source 61
    target 60
    weight 2
  ]
  edge
  [
    source 62
    target 60
    weight 3
  ]
  edge
  [
    source 63
    target 60
    weight 2
  ]
  edge
  [
    source 64
    target 60
    weight 2
  ]
  edge
  [
    source 65
    target 60
    weight 2
  ]
  edge
  [
    source 66
    target 60
    weight 1
  ]
  edge
  [
    source 62
    target 61
    weight 6
  ]
  edge
  [
    source 63
    target 61
    weight 3
  ]
  edge
  [
    source 64
    target 61
    weight 6
  ]
  edge
  [
    source 65
    target 61
    weight 5
  ]
  edge
  [
    source 66
    target 61
    weight 1
  ]
  edge
  [
    source 63
    target 62
    weight 6
  ]
  edge
  [
    source 64
    target 62
    weight 12
  ]
  edge
  [
    source 65
    target 62
    weight 5
  ]
  edge
  [
    source 66
    target 62
    weight 2
  ]
  edge
  [
    source 76
    target 62
    weight 1
  ]
  edge
  [
    source 64
    target 63
    weight 4
  ]
  edge
  [
    source 65
    target 63
    weight 5
  ]
  edge
  [
    source 66
    target 63
    weight 1
  ]
  edge
  [
    source 76
    target 63
    weight 1
  ]
  edge
  [
    source 65
    target 64
    weight 7
  ]
  edge
  [
    source 66
    target 64
    weight 3
  ]
  edge
  [
    source 76
    target 64
    weight 1
  ]
  edge
  [
    source 66
    target 65
    weight 2
  ]
  edge
  [
    source 76
    target 65
    weight 1
  ]
  edge
  [
    source 76
    target 66
    weight 1
  ]
  edge
  [
    source 69
    target 68
    weight 6
  ]
  edge
  [
    source 70
    target 68
    weight 4
  ]
  edge
  [
    source 71
    target 68
    weight 2
  ]
  edge
  [
    source 75
    target 68
    weight 3
  ]
  edge
  [
    source 70
    target 69
    weight 4
  ]
  edge
  [
    source 71
    target 69
    weight 2
  ]
  edge
  [
    source 75
    target 69
    weight 3
  ]
  edge
  [
    source 71
    target 70
    weight 2
  ]
  edge
  [
    source 75
    target 70
    weight 1
  ]
  edge
  [
    source 75
    target 71
    weight 1
  ]
  edge
  [
    source 74
    target 73
    weight 3
  ]
]
